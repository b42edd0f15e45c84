// The application's error display: an error that escapes the handler of an event is shown in
// the error box, and delivery goes on.
#include "app/errordisplay.h"

#include "data/types.h"
#include "platform/platform.h"
#include "platform/recorder.h"

#include <QCoreApplication>
#include <QEvent>

#include "expectfailures.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;
namespace pf = mz::platform;
using mz::app::deliverShowingErrors;

namespace {

// An object whose event handler runs a given function, as a window's handler would.
class Receiver : public QObject {
public:
    std::function<void()> handler;

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        handler();
        return true;
    }
};

bool send(Receiver& receiver) {
    QEvent event(QEvent::User);
    return QCoreApplication::sendEvent(&receiver, &event);
}

TEST(ErrorDisplay, ErrorInAHandlerIsShownWithTheTitleAndWhatWasDoneStaysDone) {
    pf::Recorder rec;
    Receiver receiver;
    QStringList done;
    receiver.handler = [&] {
        done << u"posted"_s;
        throw mz::data::EngineError(u"フィールド '氏名' に保存できない文字があります"_s);
    };

    EXPECT_FALSE(deliverShowingErrors([&] { return send(receiver); }));

    EXPECT_EQ(done, QStringList{u"posted"_s});
    ASSERT_EQ(rec.dialogs().size(), 1);
    const pf::RecordedDialog& box = rec.dialogs().front();
    EXPECT_EQ(box.kind, pf::DialogKind::Error);
    EXPECT_EQ(box.caption.toStdString(), "Mizorel");
    EXPECT_EQ(box.text.toStdString(), "フィールド '氏名' に保存できない文字があります.");

    // The next event is delivered as usual.
    receiver.handler = [&] { done << u"next"_s; };
    EXPECT_TRUE(deliverShowingErrors([&] { return send(receiver); }));
    EXPECT_EQ(done, (QStringList{u"posted"_s, u"next"_s}));
    EXPECT_EQ(rec.dialogs().size(), 1);
}

TEST(ErrorDisplay, AnswerOfTheEventIsPassedOnAndTestFailuresAreNotShown) {
    mz::test::ExpectTestFailures expected;
    pf::Recorder rec;
    EXPECT_TRUE(deliverShowingErrors([] { return true; }));
    EXPECT_FALSE(deliverShowingErrors([] { return false; }));
    EXPECT_THROW(deliverShowingErrors([]() -> bool { pf::testFailure(u"unscripted"_s); }),
                 pf::TestFailure);
    EXPECT_TRUE(rec.errors().isEmpty());
}

}  // namespace
