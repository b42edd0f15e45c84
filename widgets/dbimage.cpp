#include "widgets/dbimage.h"

#include "widgets/picturefile.h"

#include <QPainter>

using namespace Qt::StringLiterals;
using mz::data::EngineError;
using mz::widgets::FieldLink;

TDBImage::TDBImage(QWidget* parent) : QFrame(parent), link_(new FieldLink(this)) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(link_, &FieldLink::refresh, this, &TDBImage::onRefresh);
}

TDBImage::~TDBImage() {
    disconnect(link_, nullptr, this, nullptr);
}

TDataSource* TDBImage::dataSource() const {
    return link_->dataSource();
}

void TDBImage::setDataSource(TDataSource* source) {
    link_->setDataSource(source);
}

QString TDBImage::dataField() const {
    return link_->fieldName();
}

void TDBImage::setDataField(const QString& field) {
    link_->setFieldName(field);
}

void TDBImage::setStretch(bool on) {
    stretch_ = on;
    update();
}

void TDBImage::setCenter(bool on) {
    center_ = on;
    update();
}

void TDBImage::showBytes(const QByteArray& bytes) {
    data_ = bytes;
    image_ = bytes.isEmpty() ? QImage() : QImage::fromData(bytes);
    update();
}

void TDBImage::onRefresh(FieldLink::Reason) {
    if (!link_->isBound()) return;
    const mz::data::Value v = link_->value();
    const QByteArray* bytes = std::get_if<QByteArray>(&v);
    showBytes(bytes ? *bytes : QByteArray());
}

void TDBImage::loadFromFile(const QString& path) {
    setPictureData(mz::widgets::loadPictureFile(path));
}

void TDBImage::setPictureData(const QByteArray& bytes) {
    if (!bytes.isEmpty() && QImage::fromData(bytes, "BMP").isNull())
        throw EngineError(u"ビットマップが正しくありません"_s);
    if (link_->isBound()) {
        if (!link_->beginUserChange()) throw EngineError(u"画像を設定するレコードがありません"_s);
        link_->write(bytes.isEmpty() ? mz::data::Value{} : mz::data::Value{bytes});
    }
    showBytes(bytes);
}

void TDBImage::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (image_.isNull()) return;
    QPainter p(this);
    const QRect area = contentsRect();
    p.setClipRect(area);
    if (stretch_) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(area, image_);
    } else {
        QRect r(QPoint(0, 0), image_.size());
        if (center_)
            r.moveCenter(area.center());
        else
            r.moveTopLeft(area.topLeft());
        p.drawImage(r, image_);
    }
}
