// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DetachedTask.h"
#include "TestEnvironment.h"
#include "Translations.h"

#include <gtest/gtest.h>

#ifdef KUDORA_TEST_WIDGETS
#include <QApplication>
using Application = QApplication;
#else
#include <QCoreApplication>
using Application = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    TestEnvironment::setUp();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        Application app(argc, argv);
        // The program's texts as it shows them, English plurals included.
        Translations::install();
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
        // A scan a test left running would otherwise meet the static objects' destruction at exit.
        DetachedTask::waitForAll(QDeadlineTimer(60'000));
    }
    TestEnvironment::tearDown();
    return result;
}
