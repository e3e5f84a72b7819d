#pragma once

#include <QIcon>

// Kudora's own icon, built into the program at every size the desktop installs, so that the
// windows and the About box show it also when the program runs from its build folder.
class ApplicationIcon
{
public:
    // The sizes, in pixels, of the built-in images.
    static const QList<int>& sizes();

    static QIcon icon();
};
