#include "widgets/datasource.h"

#include <QScopedValueRollback>

using mz::data::Cursor;

TDataSource::TDataSource(QObject* parent) : QObject(parent) {}

TDataSource::~TDataSource() = default;

void TDataSource::setDataSet(Cursor* cursor) {
    if (cursor == cursor_) return;
    if (cursor_) disconnect(cursor_, nullptr, this, nullptr);
    cursor_ = cursor;
    if (cursor) {
        connect(cursor, &Cursor::currentChanged, this, &TDataSource::currentChanged);
        connect(cursor, &Cursor::stateChanged, this, &TDataSource::stateChanged);
        connect(cursor, &Cursor::contentsChanged, this, &TDataSource::contentsChanged);
        connect(cursor, &Cursor::fieldChanged, this, &TDataSource::fieldChanged);
        connect(cursor, &QObject::destroyed, this, [this](QObject* dying) {
            cursor_ = nullptr;
            Q_EMIT dataSetDestroyed(dying);
            Q_EMIT dataSetChanged();
        });
    }
    Q_EMIT dataSetChanged();
}

namespace mz::widgets {

FieldLink::FieldLink(QObject* control) : QObject(control) {}

FieldLink::~FieldLink() {
    detach();
}

data::Cursor* FieldLink::cursor() const {
    return source_ ? source_->dataSet() : nullptr;
}

int FieldLink::field() const {
    const data::Cursor* c = cursor();
    if (!c || !c->isOpen() || fieldName_.isEmpty()) return -1;
    return c->def().fieldIndex(fieldName_);
}

const data::FieldDef* FieldLink::fieldDef() const {
    const int f = field();
    if (f < 0) return nullptr;
    return &cursor()->def().fields[static_cast<size_t>(f)];
}

bool FieldLink::isEditing() const {
    const data::Cursor* c = cursor();
    return c &&
           (c->state() == data::Cursor::State::Edit || c->state() == data::Cursor::State::Insert);
}

data::Value FieldLink::value() const {
    const int f = field();
    if (f < 0) return {};
    try {
        return cursor()->value(f);
    } catch (const data::EngineError&) {
        // A damaged memo block: the control shows nothing rather than failing while it repaints.
        return {};
    }
}

bool FieldLink::canModify() const {
    if (!isActive()) return false;
    if (isEditing()) return true;
    const TDataSource* s = source_;
    const data::Cursor* c = s ? s->dataSet() : nullptr;
    return c && s->autoEdit() && c->state() == data::Cursor::State::Browse && c->recno() != 0;
}

bool FieldLink::beginUserChange() {
    if (!canModify()) return false;
    if (!isEditing()) {
        QScopedValueRollback guard(selfChange_, selfChange_ + 1);
        cursor()->edit();
    }
    return true;
}

void FieldLink::write(const data::Value& value) {
    const int f = field();
    if (f < 0 || !isEditing()) return;
    QScopedValueRollback guard(selfChange_, selfChange_ + 1);
    cursor()->setValue(f, value);
}

void FieldLink::validateField() const {
    const data::Cursor* c = cursor();
    if (c && c->isOpen() && !fieldName_.isEmpty()) (void)c->fieldIndex(fieldName_);
}

void FieldLink::setDataSource(TDataSource* source) {
    if (source == source_) return;
    detach();
    source_ = source;
    attach();
    notify(Reason::DataSet);
    validateField();
}

void FieldLink::setFieldName(const QString& name) {
    if (name == fieldName_) return;
    const QString before = fieldName_;
    fieldName_ = name;
    try {
        validateField();
    } catch (...) {
        fieldName_ = before;
        throw;
    }
    notify(Reason::DataSet);
}

void FieldLink::setBeforePost(std::function<void()> hook) {
    beforePost_ = std::move(hook);
    unhook();
    if (beforePost_ && cursor()) {
        hookedCursor_ = cursor();
        hookedGone_ = connect(hookedCursor_, &QObject::destroyed, this, [this] {
            hookedCursor_ = nullptr;
            hookId_ = 0;
        });
        // The hook reaches the control only through this link, which removes it when it goes.
        hookId_ = hookedCursor_->addBeforePost([this] {
            if (beforePost_ && field() >= 0) beforePost_();
        });
    }
}

void FieldLink::attach() {
    if (!source_) return;
    connections_ << connect(source_, &TDataSource::dataSetChanged, this, [this] {
        setBeforePost(beforePost_);  // the hook moves to the new cursor
        notify(Reason::DataSet);
    });
    connections_ << connect(source_, &TDataSource::dataSetDestroyed, this, [this](QObject* dying) {
        // Its hooks die with it; removing one now would call into a destroyed cursor.
        if (dying == hookedCursor_) {
            disconnect(hookedGone_);
            hookedCursor_ = nullptr;
            hookId_ = 0;
        }
    });
    connections_ << connect(source_, &TDataSource::currentChanged, this,
                            [this] { notify(Reason::Current); });
    connections_ << connect(source_, &TDataSource::stateChanged, this,
                            [this] { notify(Reason::State); });
    connections_ << connect(source_, &TDataSource::contentsChanged, this,
                            [this] { notify(Reason::Contents); });
    connections_ << connect(source_, &TDataSource::fieldChanged, this, [this](int f) {
        if (f == field()) notify(Reason::Field);
    });
    connections_ << connect(source_, &QObject::destroyed, this, [this] {
        detach();
        source_ = nullptr;
        notify(Reason::DataSet);
    });
    setBeforePost(beforePost_);
}

void FieldLink::detach() {
    for (const auto& c : std::as_const(connections_)) disconnect(c);
    connections_.clear();
    unhook();
}

void FieldLink::unhook() {
    if (hookedCursor_ && hookId_) hookedCursor_->removeBeforePost(hookId_);
    disconnect(hookedGone_);
    hookedCursor_ = nullptr;
    hookId_ = 0;
}

void FieldLink::notify(Reason reason) {
    if (selfChange_ > 0) return;
    Q_EMIT refresh(reason);
}

}  // namespace mz::widgets
