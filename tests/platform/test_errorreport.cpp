// The error display's text rule and what it shows for each kind of error.
#include "data/types.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/recorder.h"

#include <QLineEdit>
#include <QPushButton>

#include "expectfailures.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::StringLiterals;
namespace pf = mz::platform;

namespace {

std::string str(const QStringList& list) {
    return list.join(u" | "_s).toStdString();
}

TEST(ErrorDisplayText, FullStopWhenTheLastCharacterIsAboveTheFullStop) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"", ""},                                               // nothing to end
        {"ファイルを開けません", "ファイルを開けません."},      // Japanese text ends above U+002E
        {"ファイルを開けません。", "ファイルを開けません。."},  // 。 (U+3002) too
        {"Table not found.", "Table not found."},               // already ends in "."
        {"abc", "abc."},
        {"x/", "x/."},  // U+002F, just above
        {"x-", "x-"},   // U+002D, just below
        {"Error!", "Error!"},
        {"message ", "message "},  // a trailing blank stays last
        {"1 行目\n", "1 行目\n"},
        {"値 0", "値 0."},
        {"ﾃｽﾄ", "ﾃｽﾄ."},  // half-width katakana
        {"𠮷", "𠮷."},    // outside the BMP (surrogate pair)
    };
    for (const auto& c : cases)
        EXPECT_EQ(pf::errorDisplayText(QString::fromUtf8(c.message)).toStdString(), c.shown)
            << "message: " << c.message;
}

// Throws `error` and lets the error display handle it, as the application object does.
template <class E>
void showThrown(const E& error) {
    try {
        throw error;
    } catch (...) {
        pf::reportCurrentException();
    }
}

TEST(ReportCurrentException, ShowsEachKindOfErrorInTheErrorBox) {
    pf::Recorder rec;
    showThrown(mz::data::EngineError(u"フィルタ '氏名=' が不正です"_s));
    showThrown(std::runtime_error("日付に変換できません"));
    showThrown(pf::IoError(u"フォルダ「/x」に移動できません（見つかりません）"_s, 2));
    showThrown(42);

    EXPECT_EQ(
        str(rec.errors()),
        "フィルタ '氏名=' が不正です. | 日付に変換できません. | "
        "フォルダ「/x」に移動できません（見つかりません）. | 予期しないエラーが発生しました.");
    for (const pf::RecordedDialog& d : rec.dialogs()) {
        EXPECT_EQ(d.kind, pf::DialogKind::Error);
        EXPECT_EQ(d.caption, pf::applicationTitle());
    }
}

TEST(ReportCurrentException, TestFailuresAreNotSwallowed) {
    mz::test::ExpectTestFailures expected;
    pf::Recorder rec;
    EXPECT_THROW(showThrown(pf::TestFailure(u"unscripted question"_s)), pf::TestFailure);
    EXPECT_THROW(pf::runCreationHandler([] { pf::askYesNo(nullptr, u"c"_s, u"q"_s); }),
                 pf::TestFailure);
    EXPECT_TRUE(rec.errors().isEmpty());
}

TEST(RunCreationHandler, SkipsTheRestOfTheHandlerAndGoesOn) {
    pf::Recorder rec;
    QStringList done;
    pf::runCreationHandler([&] {
        done << u"before"_s;
        throw mz::data::EngineError(u"タグ '氏名' がありません"_s);
    });
    pf::runCreationHandler([&] { done << u"next"_s; });
    EXPECT_EQ(str(done), "before | next");
    EXPECT_EQ(str(rec.errors()), "タグ '氏名' がありません.");
}

class Handlers : public QObject {
public:
    QStringList done;
    void ColorButton1Click() {
        done << u"click"_s;
        throw mz::data::EngineError(u"テーブル 'Indata.DBF' に書き込めません"_s);
    }
    void Edit1Change(const QString& text) {
        done << text;
        if (text == u"x"_s) throw std::runtime_error("変換できません");
    }
};

TEST(Guarded, ErrorInAConnectedHandlerIsShownWithoutLeavingTheSlot) {
    pf::Recorder rec;
    Handlers h;
    QPushButton button;
    QLineEdit edit;
    QObject::connect(&button, &QPushButton::clicked, &h,
                     pf::guarded(&h, &Handlers::ColorButton1Click));
    QObject::connect(&edit, &QLineEdit::textChanged, &h, pf::guarded(&h, &Handlers::Edit1Change));
    int after = 0;
    QObject::connect(&button, &QPushButton::clicked, [&after] { ++after; });

    button.click();
    edit.setText(u"x"_s);
    edit.setText(u"y"_s);
    button.click();

    EXPECT_EQ(str(h.done), "click | x | y | click");
    EXPECT_EQ(after, 2) << "later connections of the same click still run";
    EXPECT_EQ(str(rec.errors()),
              "テーブル 'Indata.DBF' に書き込めません. | 変換できません. | "
              "テーブル 'Indata.DBF' に書き込めません.");
    EXPECT_FALSE(button.isDown());

    int calls = 0;
    auto wrapped = pf::guarded([&calls] {
        ++calls;
        throw 7;
    });
    wrapped();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(rec.errors().size(), 4);
}

}  // namespace
