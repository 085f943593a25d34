// Test main for tests that need a Qt application object. It runs without a
// display: the build lists the tests by running this binary, where no
// display exists. Tests of logic that draws get a QGuiApplication; tests of
// windows are built with TERVO_TEST_WIDGETS and get a QApplication.
#include <gtest/gtest.h>

#include <QFont>
#ifdef TERVO_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), QStringList{QStringLiteral("IPAPGothic")});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
