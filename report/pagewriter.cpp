#include "report/pagewriter.h"

using namespace Qt::StringLiterals;

namespace mz::report {

namespace {
constexpr double kRuleAdvance = 0.8;   // the space a rule takes below it
constexpr double kPageNumberRise = 5;  // the page number's top above the frame's bottom
constexpr double kPageNumberHeight = 4;
}  // namespace

Font makeFont(const char16_t* family, double pt, bool bold) {
    Font f;
    f.family = QString::fromUtf16(family);
    f.sizePt = pt;
    f.bold = bold;
    return f;
}

void PageWriter::newPage() {
    if (!pages_.empty()) finishPage();
    Page p;
    p.number = static_cast<int>(pages_.size()) + 1;
    pages_.push_back(std::move(p));
    y_ = frame_.top;
}

void PageWriter::finishPage() {
    PageItem item;
    item.kind = PageItem::Kind::PageNumber;
    item.x = frame_.left;
    item.y = frame_.bottom - kPageNumberRise;
    item.w = frame_.width;
    item.h = kPageNumberHeight;
    item.font = makeFont(kPGothic, 9);
    item.align = Align::Centre;
    item.text = u"Page "_s + QString::number(pages_.back().number);
    pages_.back().items.push_back(std::move(item));
}

void PageWriter::text(double x, double y, double w, double h, const Font& f, const QString& s,
                      Align a) {
    if (s.isEmpty()) return;
    PageItem item;
    item.kind = PageItem::Kind::Label;
    item.x = x;
    item.y = y;
    item.w = w;
    item.h = h;
    item.font = f;
    item.align = a;
    item.text = s;
    pages_.back().items.push_back(std::move(item));
}

void PageWriter::rule() {
    PageItem item;
    item.kind = PageItem::Kind::Frame;
    item.x = frame_.left;
    item.y = y_;
    item.w = frame_.width;
    item.h = 0;
    pages_.back().items.push_back(std::move(item));
    y_ += kRuleAdvance;
}

}  // namespace mz::report
