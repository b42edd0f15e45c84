// Parses arbitrary bytes as a filter text against each of the five table layouts and evaluates
// what parses on a few fixed records (blank, filled, cut short, noise), with and without the
// case-insensitive option. A bad text must give an EngineError quoting the text, never a crash,
// a hang or undefined behaviour.
#include "data/fieldcodec.h"
#include "data/filter.h"
#include "data/tabledefs.h"

#include <cstdint>
#include <vector>

using namespace mz::data;

namespace {

struct Sample {
    const TableDef* def;
    std::vector<QByteArray> records;
};

QByteArray filledRecord(const TableDef& def) {
    QByteArray r(1, ' ');
    for (const FieldDef& f : def.fields) {
        switch (f.type) {
            case FieldType::Text:
                r += encodeField(f, QStringLiteral("山田ｶﾞyamaＹＡｍａ O'Hara"));
                break;
            case FieldType::Number:
                r += encodeField(f, 101.5);
                break;
            case FieldType::SmallInt:
                r += encodeField(f, 2.0);
                break;
            case FieldType::Date:
                r += encodeField(f, QDate(2024, 3, 15));
                break;
            case FieldType::Logical:
                r += encodeField(f, true);
                break;
            case FieldType::Memo:
            case FieldType::Picture:
                r += encodeMemoBlock(1, f.width);
                break;
        }
    }
    return r;
}

std::vector<Sample> makeSamples() {
    std::vector<Sample> samples;
    for (const TableDef& def : tableDefs()) {
        const QByteArray filled = filledRecord(def);
        QByteArray noise(filled.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 37 + 0x80);
        samples.push_back({&def,
                           {QByteArray(filled.size(), ' '), filled, filled.left(filled.size() / 2),
                            noise, QByteArray()}});
    }
    return samples;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<Sample> samples = makeSamples();
    if (size > 4096) return 0;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const Sample& s : samples) {
        try {
            const Filter f = Filter::parse(text, *s.def);
            if (f.text() != text) __builtin_trap();
            const Filter copy = f;
            for (const QByteArray& r : s.records) {
                const bool cs = f.matches(r, false);
                const bool ci = copy.matches(r, true);
                if (f.isEmpty() && !(cs && ci)) __builtin_trap();
            }
        } catch (const EngineError& e) {
            if (!e.message().contains(text)) __builtin_trap();
        }
    }
    return 0;
}
