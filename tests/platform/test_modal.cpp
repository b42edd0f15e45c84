// The modal-window helper: windows opened through it, driven by a test driver instead of an
// event loop, and (once) run in the real event loop.
//
// The windows here are stand-ins for a management window, the counterpart selection window and
// a registration window, each with a reference of its own as the shared state holds them. They
// have names of their own: a stand-in named like a real window class would be a second
// definition of that class.
#include "data/types.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>

#include "expectfailures.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using mz::state;
using mz::platform::ModalDriver;
using mz::platform::openModal;
using mz::platform::Recorder;
using mz::platform::TestFailure;

namespace {
// Counts windows alive and what the mode variable held when each one was destroyed.
int g_alive = 0;
QList<qint32> g_modeAtDestruction;
bool g_failTableOpen = false;
bool g_failFormCreate = false;
int g_closeEvents = 0;  // close events seen by the windows below
}  // namespace

// Counterpart selection window: picks for the management window's criterion (kNameCriterion).
class StandInSelection : public QDialog {
    Q_OBJECT
public:
    explicit StandInSelection(QWidget* parent = nullptr) : QDialog(parent) {
        if (g_failTableOpen) throw mz::data::EngineError(u"ファイル 'Aitesaki.DBF' を開けません"_s);
        ++g_alive;
        modeAtCreation = state().NameSelectMode;
    }
    ~StandInSelection() override {
        --g_alive;
        g_modeAtDestruction << state().NameSelectMode;
    }
    qint32 modeAtCreation = 0;

public slots:
    void pick(const QString& name) {
        if (state().NameSelectMode == mz::mode::kNameCriterion) state().SelectedName = name;
        close();
    }
    void ColorButton2Click() { close(); }
};

// Registration window: the management window hides itself while it is up.
class StandInRegistration : public QWidget {
    Q_OBJECT
public:
    explicit StandInRegistration(QWidget* parent = nullptr) : QWidget(parent) {
        ++g_alive;
        mz::platform::runCreationHandler([this] { FormCreate(); });
    }
    ~StandInRegistration() override { --g_alive; }
    bool createFinished = false;
    int closeEvents = 0;

public slots:
    void FormCreate() {
        if (g_failFormCreate) throw mz::data::EngineError(u"日付に変換できません"_s);
        createFinished = true;
    }
    void ColorButton2Click() { close(); }

protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeEvents;
        ++g_closeEvents;
        QWidget::closeEvent(event);
    }
};

namespace {
// The windows' references, as the shared state holds those of the real windows.
QPointer<StandInSelection> g_selectionWindow;
QPointer<StandInRegistration> g_registrationWindow;
}  // namespace

// Income management window: a counterpart criterion with its 選択 button, and 新規登録.
class StandInManagement : public QDialog {
    Q_OBJECT
public:
    explicit StandInManagement(QWidget* parent = nullptr) : QDialog(parent) {
        ++g_alive;
        Edit1 = new QLineEdit(this);
        Edit1->setObjectName(u"Edit1"_s);
        state().SelectedName.clear();
    }
    ~StandInManagement() override { --g_alive; }
    QLineEdit* Edit1;
    int closeEvents = 0;

public slots:
    void SpeedButton1Click() {
        {
            const mz::mode::Scope scope(&mz::SharedState::NameSelectMode, mz::mode::kNameCriterion);
            openModal(this, g_selectionWindow);
        }
        if (!state().SelectedName.isEmpty()) Edit1->setText(state().SelectedName);
    }
    void ColorButton7Click() {
        hide();
        openModal(this, g_registrationWindow);
        show();
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeEvents;
        ++g_closeEvents;
        QDialog::closeEvent(event);
    }
};

namespace {

QPointer<StandInManagement> g_managementWindow;

class ModalHelper : public ::testing::Test {
protected:
    void SetUp() override {
        state().reset();
        g_alive = 0;
        g_modeAtDestruction.clear();
        g_failTableOpen = false;
        g_failFormCreate = false;
        g_closeEvents = 0;
    }
    void TearDown() override { EXPECT_EQ(g_alive, 0) << "a window outlived its modal run"; }
};

TEST_F(ModalHelper, SharedStateStartsEmptyAndResets) {
    state().NameSelectMode = mz::mode::kNameCriterion;
    state().IncomeNo = 7;
    state().DataDir = u"/tmp/x"_s;
    state().reset();
    EXPECT_EQ(state().NameSelectMode, mz::mode::kNameIdle);
    EXPECT_EQ(state().IncomeNo, 0);
    EXPECT_TRUE(state().DataDir.isEmpty());
    EXPECT_TRUE(state().SelectedName.isEmpty());
    EXPECT_TRUE(state().INsrSrForm.isNull());
    EXPECT_TRUE(state().RepIn1Form.isNull());
}

TEST_F(ModalHelper, EachOpenMakesAFreshWindowStoresItAndDestroysItBeforeTheModeIsReset) {
    StandInManagement management;
    ModalDriver driver;
    QList<StandInSelection*> seen;
    driver.onOpen<StandInSelection>([&](StandInSelection& w) {
        EXPECT_EQ(g_selectionWindow.data(), &w);
        EXPECT_EQ(w.parentWidget(), &management);
        EXPECT_TRUE(w.isWindow());
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(w.modeAtCreation, mz::mode::kNameCriterion);
        seen << &w;
        w.ColorButton2Click();
    });

    management.SpeedButton1Click();
    management.SpeedButton1Click();

    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(driver.openCount(u"StandInSelection"_s), 2);
    // Destroyed while the mode still held the opener's code; the opener reset it afterwards.
    EXPECT_EQ(g_modeAtDestruction,
              (QList<qint32>{mz::mode::kNameCriterion, mz::mode::kNameCriterion}));
    EXPECT_EQ(state().NameSelectMode, mz::mode::kNameIdle);
    // The reference is not cleared by anyone, but it no longer points at freed memory.
    EXPECT_TRUE(g_selectionWindow.isNull());
    EXPECT_EQ(g_alive, 1);  // the management window itself
}

TEST_F(ModalHelper, ConstructorErrorPropagatesLeavesTheReferenceAndRunsNothing) {
    StandInManagement management;
    StandInSelection earlier;  // a reference that held something before keeps it
    g_selectionWindow = &earlier;
    ModalDriver driver;
    int actions = 0;
    driver.onOpen<StandInSelection>([&](StandInSelection&) { ++actions; });
    g_failTableOpen = true;

    EXPECT_THROW(management.SpeedButton1Click(), mz::data::EngineError);

    EXPECT_EQ(actions, 0);
    EXPECT_TRUE(driver.opened().isEmpty());
    EXPECT_EQ(g_selectionWindow.data(), &earlier);
    // The opener's handler stopped at the open; its mode guard has put the idle code back.
    EXPECT_EQ(state().NameSelectMode, mz::mode::kNameIdle);
    EXPECT_TRUE(management.Edit1->text().isEmpty());
}

TEST_F(ModalHelper, RoadFromManagementThroughSelectionFillsTheCriterion) {
    ModalDriver driver;
    driver.onOpen<StandInSelection>([](StandInSelection& w) { w.pick(u"山田 太郎"_s); });
    driver.onOpen<StandInManagement>([](StandInManagement& w) {
        w.SpeedButton1Click();
        EXPECT_EQ(w.Edit1->text(), u"山田 太郎"_s);
        EXPECT_EQ(state().NameSelectMode, mz::mode::kNameIdle);
        // Leaving without a pick keeps the text that is there.
        state().SelectedName.clear();
        w.Edit1->setText(u"手入力"_s);
        ModalDriver inner;
        inner.onOpen<StandInSelection>([](StandInSelection& s) { s.ColorButton2Click(); });
        w.SpeedButton1Click();
        EXPECT_EQ(w.Edit1->text(), u"手入力"_s);
        EXPECT_EQ(inner.opened(), QStringList{u"StandInSelection"_s});
    });

    QWidget mainWindow;
    openModal(&mainWindow, g_managementWindow);

    EXPECT_EQ(driver.opened(), (QStringList{u"StandInManagement"_s, u"StandInSelection"_s}));
    EXPECT_TRUE(g_managementWindow.isNull());
}

TEST_F(ModalHelper, OwnerThatHidesItselfStaysOpenUntilClosed) {
    ModalDriver driver;
    bool managementHiddenMeanwhile = false;
    driver.onOpen<StandInRegistration>([&](StandInRegistration& w) {
        const StandInManagement* management = g_managementWindow.data();
        managementHiddenMeanwhile = management && management->isHidden();
        EXPECT_TRUE(w.isWindow()) << "a plain widget window is made a top-level window";
        w.ColorButton2Click();
    });
    int managementCloses = -1;
    driver.onOpen<StandInManagement>([&](StandInManagement& w) {
        w.ColorButton7Click();
        EXPECT_TRUE(w.isVisible());
        managementCloses = w.closeEvents;
    });

    openModal(nullptr, g_managementWindow);

    EXPECT_TRUE(managementHiddenMeanwhile);
    EXPECT_EQ(managementCloses, 0) << "hiding is not closing";
}

TEST_F(ModalHelper, WindowLeftOpenByTheActionIsClosedAsByItsCloseBox) {
    ModalDriver driver;
    driver.onOpen<StandInManagement>([](StandInManagement& w) { w.Edit1->setText(u"x"_s); });
    EXPECT_EQ(openModal(nullptr, g_managementWindow), QDialog::Rejected);
    EXPECT_EQ(g_closeEvents, 1);

    driver.onOpen<StandInRegistration>([](StandInRegistration&) {});
    EXPECT_EQ(openModal(nullptr, g_registrationWindow), 0);
    EXPECT_EQ(g_closeEvents, 2);

    // A window the action closed itself is not closed a second time.
    driver.onOpen<StandInRegistration>([](StandInRegistration& w) { w.ColorButton2Click(); });
    openModal(nullptr, g_registrationWindow);
    EXPECT_EQ(g_closeEvents, 3);

    // The result of a dialog that accepts is handed back.
    driver.onOpen<StandInManagement>([](StandInManagement& w) { w.accept(); });
    EXPECT_EQ(openModal(nullptr, g_managementWindow), QDialog::Accepted);
}

TEST_F(ModalHelper, ErrorInTheActionPropagatesAndTheWindowIsStillDestroyed) {
    ModalDriver driver;
    driver.onOpen<StandInManagement>(
        [](StandInManagement&) { throw mz::data::EngineError(u"フィルタ '氏名=' が不正です"_s); });
    EXPECT_THROW(openModal(nullptr, g_managementWindow), mz::data::EngineError);
    EXPECT_TRUE(g_managementWindow.isNull());
}

TEST_F(ModalHelper, WindowWithNoActionFailsTheTestInsteadOfWaiting) {
    mz::test::ExpectTestFailures expected;
    {
        ModalDriver driver;
        driver.onOpen<StandInManagement>([](StandInManagement& w) { w.ColorButton7Click(); });
        EXPECT_THROW(openModal(nullptr, g_managementWindow), TestFailure);
    }
    {
        Recorder rec;  // a recorder without a driver: still a test, still no event loop
        EXPECT_THROW(openModal(nullptr, g_selectionWindow), TestFailure);
        ASSERT_EQ(rec.failures().size(), 1);
        EXPECT_TRUE(rec.failures().front().contains(u"StandInSelection"_s));
    }
}

TEST_F(ModalHelper, DriversNestAndRestore) {
    ModalDriver outer;
    outer.onOpen<StandInSelection>([](StandInSelection& w) { w.pick(u"外"_s); });
    {
        ModalDriver inner;
        EXPECT_EQ(ModalDriver::active(), &inner);
        inner.onOpen<StandInSelection>([](StandInSelection& w) { w.pick(u"内"_s); });
        state().NameSelectMode = mz::mode::kNameCriterion;
        openModal(nullptr, g_selectionWindow);
        EXPECT_EQ(state().SelectedName, u"内"_s);
        EXPECT_TRUE(outer.opened().isEmpty());
    }
    EXPECT_EQ(ModalDriver::active(), &outer);
    openModal(nullptr, g_selectionWindow);
    EXPECT_EQ(state().SelectedName, u"外"_s);
}

TEST_F(ModalHelper, ErrorInTheCreationHandlerIsShownAndTheWindowOpensAllTheSame) {
    Recorder rec;
    ModalDriver driver;
    bool opened = false;
    bool finished = true;
    driver.onOpen<StandInRegistration>([&](StandInRegistration& w) {
        opened = true;
        finished = w.createFinished;
        w.ColorButton2Click();
    });
    g_failFormCreate = true;

    openModal(nullptr, g_registrationWindow);

    EXPECT_TRUE(opened);
    EXPECT_FALSE(finished) << "the rest of the creation handler is skipped";
    EXPECT_EQ(rec.errors(), QStringList{u"日付に変換できません."_s});
}

// The one test that runs the real event loop: a window that hides itself and shows itself
// again keeps running until it is closed. Timers act on the window from inside the loop; a
// far-off fail-safe ends it if something is wrong, so the test never waits for a user.
TEST_F(ModalHelper, RealEventLoopRunsUntilCloseNotUntilHide) {
    mz::test::AllowRealWindows real;
    QStringList steps;
    QPointer<QWidget> current;
    QTimer failsafe;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, [&] {
        ADD_FAILURE() << "the modal loop did not end; steps: " << steps.join(u", ").toStdString();
        if (current) current->close();
    });
    failsafe.start(30000);

    const auto hideShowClose = [&](QWidget* w) {
        current = w;
        QTimer::singleShot(0, w, [w, &steps] {
            steps << u"hide"_s;
            w->hide();
            QTimer::singleShot(0, w, [w, &steps] {
                steps << u"show"_s;
                w->show();
                QTimer::singleShot(0, w, [w, &steps] {
                    steps << u"close"_s;
                    w->close();
                });
            });
        });
    };

    openModal(nullptr, g_managementWindow, [&](QWidget* parent) {
        auto* w = new StandInManagement(parent);
        hideShowClose(w);
        return w;
    });
    steps << u"returned"_s;
    openModal(nullptr, g_registrationWindow, [&](QWidget* parent) {
        auto* w = new StandInRegistration(parent);
        hideShowClose(w);
        return w;
    });
    steps << u"returned"_s;

    EXPECT_EQ(steps.join(u", ").toStdString(),
              "hide, show, close, returned, hide, show, close, returned");
}

}  // namespace

#include "test_modal.moc"
