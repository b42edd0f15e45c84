#include "report/quickrep.h"

#include "data/types.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "report/TReportPreview.h"

#include <QApplication>

using namespace Qt::StringLiterals;

namespace mz::report {

void preview(QWidget* owner, const Report& report, mz::data::Cursor& cursor) {
    std::vector<Page> pages = run(report, cursor);
    if (pages.empty()) {
        mz::platform::notice(owner, mz::platform::padded(u"印刷するページがありません。"_s));
        return;
    }
    PictureLoader pictures = picturesOf(cursor);
    mz::platform::openModal(owner, TReportPreview::current(), [&](QWidget* parent) {
        return new TReportPreview(report, std::move(pages), std::move(pictures), parent);
    });
}

}  // namespace mz::report

namespace {

QWidget* ownerOr(QWidget* owner) {
    if (owner) return owner;
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

}  // namespace

TQuickRep::TQuickRep(QObject* parent) : QObject(parent) {}

mz::data::Cursor& TQuickRep::dataSet() const {
    mz::data::Cursor* cursor = DataSet.data();
    if (cursor == nullptr)
        throw mz::data::EngineError(u"レポート「%1」のテーブルがありません"_s.arg(Report.name));
    return *cursor;
}

std::vector<mz::report::Page> TQuickRep::Prepare() {
    return mz::report::run(Report, dataSet());
}

void TQuickRep::Preview(QWidget* owner) {
    mz::report::preview(ownerOr(owner), Report, dataSet());
}

void TQuickRep::Print(QWidget* owner) {
    mz::report::print(ownerOr(owner), Report, dataSet());
}
