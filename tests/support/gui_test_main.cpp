// Test main for tests that need a QApplication. It runs without a display:
// the build lists the tests by running this binary, where no display exists.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), QStringList{QStringLiteral("IPAPGothic")});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
