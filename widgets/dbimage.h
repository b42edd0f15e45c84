#pragma once
// TDBImage: a picture box bound to a picture field (写真: the bytes of a Windows bitmap). It
// shows the picture of the current record stretched to the box (or centred, with Stretch off);
// an empty field, or bytes that are no picture, leave the box empty.
//
// loadFromFile() and setPictureData() are the user's changes of the picture: a browsing cursor
// goes into edit state and the field takes the bytes at once. Unbound, the box just shows what
// it is given.

#include "widgets/datasource.h"

#include <QByteArray>
#include <QFrame>
#include <QImage>

class TDBImage : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ dataField WRITE setDataField)
    Q_PROPERTY(bool Stretch READ stretch WRITE setStretch)
    Q_PROPERTY(bool Center READ center WRITE setCenter)

public:
    explicit TDBImage(QWidget* parent = nullptr);
    ~TDBImage() override;

    TDataSource* dataSource() const;
    void setDataSource(TDataSource* source);
    QString dataField() const;
    void setDataField(const QString& field);

    bool stretch() const { return stretch_; }
    void setStretch(bool on);
    bool center() const { return center_; }
    void setCenter(bool on);

    // The box shows a picture.
    bool hasPicture() const { return !image_.isNull(); }
    // The bytes of the picture shown (empty when none).
    const QByteArray& pictureData() const { return data_; }
    const QImage& picture() const { return image_; }

    // Loads a picture file into the box and its field: a bitmap as it is, a JPEG or PNG photo
    // as the bitmap picturefile.h makes of it. Throws mz::data::EngineError, leaving the
    // picture as it was, when the file cannot be read or used as a picture, or when the cursor
    // has no record to change.
    void loadFromFile(const QString& path);
    // The same with the bitmap's bytes; empty bytes empty the box and the field.
    void setPictureData(const QByteArray& bytes);
    void clearPicture() { setPictureData(QByteArray()); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showBytes(const QByteArray& bytes);
    void onRefresh(mz::widgets::FieldLink::Reason reason);

    mz::widgets::FieldLink* link_;
    QByteArray data_;
    QImage image_;
    bool stretch_ = true;
    bool center_ = true;
};
