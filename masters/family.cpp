#include "masters/family.h"

#include "masters/masterlook.h"
#include "widgets/dbgrid.h"
#include "widgets/fonts.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace mz::masters {

void setupFamilyGrid(TDBGrid* grid) {
    styleListGrid(grid);
    grid->setColumns({
        {QString::fromUtf16(kFamilyCodeField), u"家族コード"_s, 81, Qt::AlignHCenter | Qt::AlignVCenter, false,
         Qt::AlignLeft},
        {QString::fromUtf16(kFamilyNameField), u"家族の名前"_s, 80, Qt::AlignLeft | Qt::AlignVCenter, false,
         Qt::AlignLeft},
    });
}

void styleCaptionBar(QLabel* bar) {
    bar->setFont(widgets::pixelFont(widgets::kPGothic, 13));
    bar->setAutoFillBackground(true);
    bar->setFrameShape(QFrame::Box);
    bar->setLineWidth(1);
    bar->setAlignment(Qt::AlignCenter);
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, QColor(0, 255, 0));
    p.setColor(QPalette::WindowText, QColor(0, 0, 0));
    bar->setPalette(p);
}

}  // namespace mz::masters
