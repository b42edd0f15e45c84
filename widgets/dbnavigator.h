#pragma once
// TDBNavigator: four buttons that move a data source's cursor to its first, prior, next and
// last record. First and prior are unavailable on the first record, next and last on the last,
// all four on an empty or closed cursor. After each move it emits clicked(button), where the
// window reacts to the record now current.

#include "widgets/datasource.h"

#include <QWidget>

#include <array>

class QToolButton;

class TDBNavigator : public QWidget {
    Q_OBJECT

public:
    enum NavigateBtn { nbFirst, nbPrior, nbNext, nbLast };
    Q_ENUM(NavigateBtn)

    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    TDataSource* dataSource() const { return source_; }
    void setDataSource(TDataSource* source);

    // Presses a button: moves the cursor, then emits clicked(button). Does nothing on a button
    // that is unavailable. Throws what the cursor throws (a pending edit whose post is refused).
    void click(NavigateBtn button);
    QToolButton* button(NavigateBtn which) const { return buttons_[which]; }
    bool isAvailable(NavigateBtn which) const;

Q_SIGNALS:
    void clicked(TDBNavigator::NavigateBtn button);

private:
    void updateButtons();

    TDataSource* source_ = nullptr;
    QList<QMetaObject::Connection> connections_;
    std::array<QToolButton*, 4> buttons_{};
};
