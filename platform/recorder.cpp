#include "platform/recorder.h"

#include <QDebug>

#include <deque>
#include <utility>

using namespace Qt::StringLiterals;

namespace mz::platform {

namespace {

Recorder* g_active = nullptr;
FailureHook g_failureHook;

QString kindName(DialogKind kind) {
    switch (kind) {
        case DialogKind::Notice:
            return u"notice"_s;
        case DialogKind::Error:
            return u"error box"_s;
        case DialogKind::OkCancel:
            return u"OK/Cancel question"_s;
        case DialogKind::YesNo:
            return u"Yes/No question"_s;
        case DialogKind::OpenFile:
            return u"open-file picker"_s;
        case DialogKind::SaveFile:
            return u"save-file picker"_s;
    }
    return u"dialog"_s;
}

struct Answer {
    DialogKind kind;
    bool yes = false;
    QString path;
};

}  // namespace

struct Recorder::Impl {
    Recorder* previous = nullptr;
    std::deque<Answer> script;
    QList<RecordedDialog> dialogs;
    QStringList failures;
};

TestFailure::TestFailure(const QString& message) : std::logic_error(message.toStdString()) {}

void testFailure(const QString& message) {
    if (g_active) g_active->addFailure(message);
    if (g_failureHook) g_failureHook(message);
    throw TestFailure(message);
}

namespace {
bool& neverBlockFlag() {
    static bool on = false;
    return on;
}
}  // namespace

void setNeverBlock(bool on) { neverBlockFlag() = on; }
bool neverBlock() { return neverBlockFlag(); }

FailureHook setFailureHook(FailureHook hook) {
    return std::exchange(g_failureHook, std::move(hook));
}

Recorder::Recorder() : d_(std::make_unique<Impl>()) {
    d_->previous = g_active;
    g_active = this;
}

Recorder::~Recorder() {
    g_active = d_->previous;
    if (!d_->script.empty()) {
        const QString message =
            u"%1 scripted answer(s) were never asked for; the next was for a %2"_s
                .arg(d_->script.size())
                .arg(kindName(d_->script.front().kind));
        qWarning().noquote() << message;
        if (g_failureHook) g_failureHook(message);
    }
}

Recorder* Recorder::active() {
    return g_active;
}

Recorder& Recorder::answerOkCancel(bool ok) {
    d_->script.push_back({DialogKind::OkCancel, ok, {}});
    return *this;
}

Recorder& Recorder::answerYesNo(bool yes) {
    d_->script.push_back({DialogKind::YesNo, yes, {}});
    return *this;
}

Recorder& Recorder::answerOpenFile(const QString& path) {
    d_->script.push_back({DialogKind::OpenFile, false, path});
    return *this;
}

Recorder& Recorder::answerSaveFile(const QString& path) {
    d_->script.push_back({DialogKind::SaveFile, false, path});
    return *this;
}

qsizetype Recorder::pendingAnswers() const {
    return qsizetype(d_->script.size());
}

const QList<RecordedDialog>& Recorder::dialogs() const {
    return d_->dialogs;
}

QStringList Recorder::texts(DialogKind kind) const {
    QStringList out;
    for (const RecordedDialog& dialog : d_->dialogs)
        if (dialog.kind == kind) out << dialog.text;
    return out;
}

void Recorder::clearDialogs() {
    d_->dialogs.clear();
}

const QStringList& Recorder::failures() const {
    return d_->failures;
}

void Recorder::record(RecordedDialog dialog) {
    d_->dialogs.append(std::move(dialog));
}

void Recorder::addFailure(const QString& message) {
    d_->failures << message;
}

namespace {

// Takes the next scripted answer for a dialog of this kind, or fails the test: a question that
// the script does not answer would wait for a user who is not there.
Answer takeAnswer(std::deque<Answer>& script, const RecordedDialog& dialog) {
    const QString asked =
        u"%1 \"%2\" (%3)"_s.arg(kindName(dialog.kind), dialog.text, dialog.caption);
    if (script.empty()) testFailure(u"unscripted "_s + asked);
    Answer answer = script.front();
    if (answer.kind != dialog.kind)
        testFailure(
            u"the script answers a %1 but the window asked a "_s.arg(kindName(answer.kind)) +
            asked);
    script.pop_front();
    return answer;
}

}  // namespace

bool Recorder::answerQuestion(RecordedDialog dialog) {
    // Recorded before the answer is taken, so that a failing test still lists what was asked.
    d_->dialogs.append(dialog);
    const Answer answer = takeAnswer(d_->script, dialog);
    if (dialog.kind == DialogKind::YesNo)
        d_->dialogs.last().answer = answer.yes ? u"Yes"_s : u"No"_s;
    else
        d_->dialogs.last().answer = answer.yes ? u"OK"_s : u"Cancel"_s;
    return answer.yes;
}

QString Recorder::answerPicker(RecordedDialog dialog) {
    d_->dialogs.append(dialog);
    const Answer answer = takeAnswer(d_->script, dialog);
    d_->dialogs.last().answer = answer.path;
    return answer.path;
}

}  // namespace mz::platform
