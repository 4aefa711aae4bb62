#pragma once
// main() for Qt Test binaries that use the embedded browser: the process is prepared for
// QtWebEngine before the application object exists.

#include "platform/browser/web_engine_setup.h"

#include <QApplication>
#include <QTest>

#define VELTRANO_WEB_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        veltrano::platform::browser::prepareWebEngine();                                                               \
        QApplication application(argc, argv);                                                                          \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
