#pragma once

#include "FixtureTree.h"
#include "KudoraApp.h"
#include "PreferencesService.h"
#include "RecordingWorkspace.h"

#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <ostream>

class MainWindow;
class QAction;
class QMenu;

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '[' << texts.join(QStringLiteral(", ")).toStdString() << ']';
}

// Records every notification posted on the default center.
class PostedNames
{
public:
    PostedNames();
    ~PostedNames();
    QStringList names;

private:
    QMetaObject::Connection m_connection;
};

// A KudoraApp on an information dictionary of the test's (without an update feed unless asked),
// an Applications folder holding two App Store applications, a store in memory and a recording
// desktop that refuses every address. Everything is put back when the harness goes.
class ShellHarness
{
public:
    static QVariantMap standardInfo();

    explicit ShellHarness(const QVariantMap& info = standardInfo(), KudoraApp::Parts parts = {});
    ~ShellHarness();

    KudoraApp& app() const { return *m_app; }
    MainWindow& window() const;

    // Shows the main window, makes it the active one and waits for the first scan.
    bool openAndActivate();

    // The menu-bar menu titled title and its item titled title; nullptr when there is none.
    QMenu* menu(const QString& title) const;
    QAction* item(const QString& menuTitle, const QString& title) const;

    RecordingWorkspace workspace;
    FixtureTree fixture;

    static const QString AlphaID;
    static const QString BetaID;

private:
    std::unique_ptr<PreferencesService> m_preferences;
    std::unique_ptr<KudoraApp> m_app;
};
