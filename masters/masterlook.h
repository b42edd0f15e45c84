#pragma once
// What the purpose and family windows have in common: their looks (fonts, heading, the read-only
// list grid, the two coloured buttons, a fixed client size centred on the screen) and the watch
// that tells them when their list's cursor has moved to another record.

#include "data/cursor.h"

#include <QObject>
#include <QPointer>

class QDialog;
class QLabel;
class QLineEdit;
class QWidget;
class TColorButton;
class TDBGrid;

namespace mz::masters {

// The window: "ＭＳ Ｐゴシック" 12 px, a fixed client size, centred on the screen, a bold blue
// 16-px heading.
void styleWindow(QDialog* window, int clientWidth, int clientHeight, QLabel* heading);

// Field labels and boxes: "ＭＳ ゴシック" 12 px; a label is sized to its text.
void styleFieldLabel(QLabel* label);
void styleBox(QWidget* box);
// The blue hint above a list ("下表より選択(クリック)して下さい").
void styleHint(QLabel* label);

// The read-only list: tooltip-coloured body, lime title row.
void styleListGrid(TDBGrid* grid);

// The action button (#88FF88) and the button that leaves the window (#FFA2FF), captions in
// "ＭＳ Ｐゴシック" 13 px.
void styleButtons(TColorButton* action, TColorButton* back);

// Text of a code as the boxes show it: the shortest decimal text (3 shows as 3).
QString codeText(double code);

// Reports when the cursor has moved to another record: the record that is current is not the
// one that was current when the watch last looked. Posting or re-reading the rows while the same
// record stays current is no move. A window that changes the current record itself (a post that
// takes the record out of the filter) holds the watch still with a Hold and the watch then takes
// the new current record as its starting point.
class RecordMoveWatch : public QObject {
    Q_OBJECT
public:
    RecordMoveWatch(data::Cursor* cursor, QObject* parent);

    // Takes the record that is current now as the one the cursor stands on.
    void sync();

    class Hold {
    public:
        explicit Hold(RecordMoveWatch& watch) : watch_(watch) { ++watch_.held_; }
        ~Hold() {
            if (--watch_.held_ == 0) watch_.sync();
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        RecordMoveWatch& watch_;
    };

Q_SIGNALS:
    void moved();

private:
    void check();

    QPointer<data::Cursor> cursor_;
    quint32 last_ = 0;
    int held_ = 0;
};

}  // namespace mz::masters
