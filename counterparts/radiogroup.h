#pragma once
// TRadioGroup: a titled frame holding one radio button per item, one below the other; exactly
// one item is chosen at a time and ItemIndex tells which (-1 when none).

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ items WRITE setItems)
    Q_PROPERTY(int ItemIndex READ itemIndex WRITE setItemIndex)

public:
    explicit TRadioGroup(QWidget* parent = nullptr);
    ~TRadioGroup() override;

    QStringList items() const { return items_; }
    void setItems(const QStringList& items);
    int itemIndex() const;
    // An index outside the items clears the choice.
    void setItemIndex(int index);
    // The radio button of an item, or null.
    QRadioButton* button(int index) const;

Q_SIGNALS:
    void clicked();  // the user chose an item

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void placeButtons();

    QStringList items_;
    QButtonGroup* group_;
    QList<QRadioButton*> buttons_;
    int pending_ = -1;  // the item chosen while there were no items yet
};
