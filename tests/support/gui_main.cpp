// Entry point of the GUI test executables: an offscreen QApplication with a fixed Japanese
// locale exists before any test runs, and no top-level window may outlive a test.
#include <QApplication>
#include <QLocale>
#include <QWidget>

#include "platform/recorder.h"

#include <gtest/gtest.h>

namespace {

class NoWindowLeftOpen : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& info) override {
        QStringList open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) open << QString::fromLatin1(w->metaObject()->className());
        if (!open.isEmpty())
            ADD_FAILURE() << info.name() << " left windows open: " << open.join(u", ").toStdString();
    }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new NoWindowLeftOpen);
    // A window driven into something the test did not script fails the test loudly.
    mz::platform::setFailureHook([](const QString& m) { ADD_FAILURE() << m.toStdString(); });
    mz::platform::setNeverBlock(true);
    return RUN_ALL_TESTS();
}
