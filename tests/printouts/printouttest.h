#pragma once
// Shared by the printout tests: a fresh data directory as the current directory, golden dumps
// of laid-out pages, and readers for the items of a page.
//
// Golden dumps live in tests/data/printouts; MIZOREL_UPDATE_GOLDEN=1 rewrites them from the
// current layout. MIZOREL_PRINTOUT_PDF=<folder> also writes every golden printout there as a
// PDF file, for looking at the pages.

#include "data/cursor.h"
#include "report/quickrep.h"
#include "report/report.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cmath>

#include <gtest/gtest.h>

namespace mz::test {

inline QString golden(const QString& name, const QString& actual) {
    const QString path = sourcePath(QStringLiteral("tests/data/printouts/") + name);
    QFile file(path);
    if (qEnvironmentVariableIsSet("MIZOREL_UPDATE_GOLDEN")) {
        if (file.open(QIODevice::WriteOnly)) file.write(actual.toUtf8());
        return actual;
    }
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("(missing golden file %1)").arg(path);
    return QString::fromUtf8(file.readAll());
}

// Lays the report out and compares its dump with the golden file `name`.txt.
inline std::vector<mz::report::Page> expectGolden(TQuickRep& rep, const QString& name) {
    std::vector<mz::report::Page> pages = rep.Prepare();
    const QString actual = mz::report::dump(pages);
    EXPECT_EQ(actual.toStdString(), golden(name + QStringLiteral(".txt"), actual).toStdString());
    const QString pdfDir = qEnvironmentVariable("MIZOREL_PRINTOUT_PDF");
    if (!pdfDir.isEmpty()) {
        QDir().mkpath(pdfDir);
        EXPECT_TRUE(mz::report::writePdf(QDir(pdfDir).filePath(name + QStringLiteral(".pdf")), rep.Report,
                                         pages, mz::report::picturesOf(*rep.DataSet)));
    }
    return pages;
}

inline std::vector<const mz::report::PageItem*> itemsOf(const mz::report::Page& page,
                                                        mz::report::PageItem::Kind kind) {
    std::vector<const mz::report::PageItem*> out;
    for (const mz::report::PageItem& item : page.items)
        if (item.kind == kind) out.push_back(&item);
    return out;
}

inline QStringList textsOf(const mz::report::Page& page, mz::report::PageItem::Kind kind) {
    QStringList out;
    for (const mz::report::PageItem* item : itemsOf(page, kind)) out << item->text;
    return out;
}

// The items at the left edge x (mm from the paper's corner), in page order.
inline QStringList textsAt(const mz::report::Page& page, double x) {
    QStringList out;
    for (const mz::report::PageItem& item : page.items)
        if (std::abs(item.x - x) < 0.005 && !item.text.isEmpty()) out << item.text;
    return out;
}

// The texts of every page, one list per page.
inline std::vector<QStringList> pageTexts(const std::vector<mz::report::Page>& pages) {
    std::vector<QStringList> out;
    for (const mz::report::Page& page : pages) {
        QStringList texts;
        for (const mz::report::PageItem& item : page.items)
            if (!item.text.isEmpty()) texts << item.text;
        out.push_back(texts);
    }
    return out;
}

// A fresh data directory made the current directory for the length of a test.
class PrintoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    DataDir dir_;
    QString previous_;
};

}  // namespace mz::test
