// The engines the edit control runs on: tests that drive the control run once per engine.
#pragma once

#include <QApplication>
#include <QList>
#include <QTest>

#include "platform/textengine.h"
#include "platform/view/ownengine.h"
#include "qtengine/qtengine.h"

struct TestEngine
{
    const char *name;
    platform::TextEngineFactory factory;
};

inline QList<TestEngine> testEngines()
{
    return {{"qt", platform::makeQtEngine}, {"own", platform::makeOwnEngine}};
}

// The engine the running cases are on.
inline const char *&currentTestEngine()
{
    static const char *name = "own";
    return name;
}

// A test main that runs every case of the class once per engine.
#define PENWICK_TEST_MAIN_ON_EVERY_ENGINE(TestClass)                                   \
    int main(int argc, char *argv[])                                                   \
    {                                                                                  \
        QApplication app(argc, argv);                                                  \
        int failed = 0;                                                                \
        for (const TestEngine &engine : testEngines()) {                               \
            qInfo("engine: %s", engine.name);                                          \
            currentTestEngine() = engine.name;                                         \
            platform::setTextEngineFactory(engine.factory);                            \
            TestClass test;                                                            \
            failed += QTest::qExec(&test, argc, argv);                                 \
        }                                                                              \
        platform::setTextEngineFactory(nullptr);                                       \
        return failed;                                                                 \
    }
