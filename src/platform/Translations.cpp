// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void Translations::install()
{
    QCoreApplication* application = QCoreApplication::instance();
    auto* program = new QTranslator(application);
    const QString folder = QStringLiteral(":/i18n");
    if (!program->load(QLocale::system(), QStringLiteral("kudora"), QStringLiteral("_"), folder)
        && !program->load(QStringLiteral("kudora_en"), folder)) {
        delete program;
        return;
    }
    QCoreApplication::installTranslator(program);

    auto* qt = new QTranslator(application);
    if (qt->load(QLocale(program->language()), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
}
