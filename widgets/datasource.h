#pragma once
// TDataSource: the link between a window's table cursor and the controls that show it. Controls
// bind to a data source and a field name; the data source relays the cursor's signals, so a
// window can hand its controls another cursor in one place.
//
//     DataSource1->setDataSet(Table1);
//     DBEdit4->setDataSource(DataSource1);
//     DBEdit4->setDataField(u"氏名"_s);
//
// The class lives in the global namespace so that windows name it as the layouts do.

#include "data/cursor.h"

#include <QObject>
#include <QString>

#include <functional>

class TDataSource : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool AutoEdit READ autoEdit WRITE setAutoEdit)

public:
    explicit TDataSource(QObject* parent = nullptr);
    ~TDataSource() override;

    // The cursor shown through this data source, or null. A cursor that is destroyed is
    // dropped (as if set to null).
    mz::data::Cursor* dataSet() const { return cursor_; }
    void setDataSet(mz::data::Cursor* cursor);

    // Typing into a bound control puts a browsing cursor into edit state (default on). Off:
    // bound controls refuse typing until the window itself calls edit() or append().
    bool autoEdit() const { return autoEdit_; }
    void setAutoEdit(bool on) { autoEdit_ = on; }

    // A cursor is set and open.
    bool isActive() const { return cursor_ && cursor_->isOpen(); }

Q_SIGNALS:
    void dataSetChanged();  // another cursor (or none) is shown
    // The cursor is being destroyed (it is no Cursor any more: compare, never call); followed by
    // dataSetChanged.
    void dataSetDestroyed(QObject* cursor);
    void currentChanged();         // relayed from the cursor
    void stateChanged();           // relayed from the cursor
    void contentsChanged();        // relayed from the cursor
    void fieldChanged(int field);  // relayed from the cursor

private:
    mz::data::Cursor* cursor_ = nullptr;
    bool autoEdit_ = true;
};

namespace mz::widgets {

// The binding of one control to one field of a data source's cursor: what the control shows,
// when it must show it again, and how a change the user makes reaches the record.
class FieldLink : public QObject {
    Q_OBJECT
public:
    // Why the control must show its field again.
    enum class Reason {
        DataSet,   // another cursor, or none
        Current,   // another record became current
        State,     // edit state changed: started, posted, cancelled, appended
        Contents,  // the rows were re-read (filter, order, refresh) or the table was changed
        Field,     // someone else set this field of the edit buffer
    };
    Q_ENUM(Reason)

    explicit FieldLink(QObject* control);
    ~FieldLink() override;

    TDataSource* dataSource() const { return source_; }
    // Throws EngineError when the cursor is open and has no field of the link's name.
    void setDataSource(TDataSource* source);
    const QString& fieldName() const { return fieldName_; }
    // Throws EngineError when the cursor is open and has no field of that name.
    void setFieldName(const QString& name);

    // The cursor, when a data source with a cursor is set.
    data::Cursor* cursor() const;
    // Index of the field in the open cursor, -1 when unbound, closed or unknown.
    int field() const;
    const data::FieldDef* fieldDef() const;
    bool isBound() const { return source_ != nullptr && !fieldName_.isEmpty(); }
    // Bound, open and the field exists.
    bool isActive() const { return field() >= 0; }
    // The cursor is in edit or insert state.
    bool isEditing() const;
    // The value of the current record (the edit buffer while editing); the empty value when
    // there is none or it cannot be read.
    data::Value value() const;

    // Whether a user change of the control can reach the record: active, and the cursor is
    // editing or is browsing a record with auto-edit on.
    bool canModify() const;
    // The user changes the control: a browsing cursor is put into edit state. Returns false
    // (and changes nothing) when the record cannot be changed. Throws what Cursor::edit throws.
    bool beginUserChange();
    // Writes the field of the edit buffer. The control is not asked to show the field again
    // for its own write.
    void write(const data::Value& value);

    // A check the cursor runs before each post while this link is bound to it (Cursor::
    // addBeforePost): it throws to stop the post. Moves with the link to another cursor.
    void setBeforePost(std::function<void()> hook);

Q_SIGNALS:
    void refresh(mz::widgets::FieldLink::Reason reason);

private:
    void attach();
    void detach();
    void unhook();
    void notify(Reason reason);
    void validateField() const;

    TDataSource* source_ = nullptr;
    QString fieldName_;
    data::Cursor* hookedCursor_ = nullptr;  // the cursor holding the hook
    int hookId_ = 0;
    QMetaObject::Connection hookedGone_;
    std::function<void()> beforePost_;
    QList<QMetaObject::Connection> connections_;
    int selfChange_ = 0;  // >0 while this link changes the cursor itself
};

}  // namespace mz::widgets
