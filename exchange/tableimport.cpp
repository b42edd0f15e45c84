#include "exchange/tableimport.h"

#include "data/cp932.h"
#include "data/tabledefs.h"

#include <QHash>

#include <cmath>
#include <limits>
#include <set>

namespace mz::exchange {

namespace {

const QString kName = QStringLiteral("氏名");
const QString kReading = QStringLiteral("フリガナ");
const QString kAmount = QStringLiteral("金額");
const QString kAddress = QStringLiteral("住所1");
const QString kCode = QStringLiteral("相手先コード");
const QString kHead = QStringLiteral("世帯代表");

// Address book codes come in blocks of a hundred per household: n×100+1 is the first person of
// household n, n×100+99 the last (as the address book windows number them).
constexpr double kFirstCode = 101;
double householdBase(double code) { return std::trunc(code / 100.0) * 100.0; }

QString dateField(ImportTarget target) {
    return target == ImportTarget::Income ? QStringLiteral("収入日") : QStringLiteral("支出日");
}
QString numberField(ImportTarget target) {
    return target == ImportTarget::Income ? QStringLiteral("収入番号") : QStringLiteral("支出番号");
}

// Names compare with half-width and full-width blanks ignored, as the ledgers match them.
QString nameKey(const QString& name) {
    QString k = name;
    k.remove(u' ');
    k.remove(QChar(0x3000));
    return k;
}

QString valueKey(const data::Value& v) {
    if (const double* d = std::get_if<double>(&v)) return formatNumber(*d);
    if (const QDate* date = std::get_if<QDate>(&v)) return formatDate(*date);
    if (const QString* s = std::get_if<QString>(&v)) return nameKey(*s);
    return QString();
}

// The fields whose equality makes a row look like a stored record.
QStringList duplicateFields(ImportTarget target) {
    if (target == ImportTarget::Counterparts) return {kName, kAddress};
    return {dateField(target), kName, kAmount};
}

QString recordKey(const QList<data::Value>& values) {
    QString key;
    for (const data::Value& v : values) key += valueKey(v) + QChar(0x1F);
    return key;
}

std::optional<bool> parseLogical(const QString& text) {
    const QString s = text.normalized(QString::NormalizationForm_KC).trimmed().toLower();
    static const QStringList yes = {QStringLiteral("1"), QStringLiteral("t"), QStringLiteral("true"),
                                    QStringLiteral("y"), QStringLiteral("yes"), QStringLiteral("はい"),
                                    QStringLiteral("○"), QStringLiteral("〇")};
    static const QStringList no = {QStringLiteral("0"), QStringLiteral("f"), QStringLiteral("false"),
                                   QStringLiteral("n"), QStringLiteral("no"), QStringLiteral("いいえ"),
                                   QStringLiteral("×")};
    if (yes.contains(s)) return true;
    if (no.contains(s)) return false;
    return std::nullopt;
}

// The value of one field from its cell, or the reason it cannot be stored.
std::optional<data::Value> cellValue(const data::FieldDef& f, const QString& cell, DateFormat dateFormat,
                                     QString& reason) {
    const QString trimmed = cell.trimmed();
    switch (f.type) {
        case data::FieldType::Date: {
            const auto d = parseDate(trimmed, dateFormat);
            if (!d) {
                reason = QStringLiteral("「%1」の「%2」は %3 の日付として読めません")
                             .arg(f.name, trimmed, dateFormatName(dateFormat));
                return std::nullopt;
            }
            return data::Value{*d};
        }
        case data::FieldType::Number:
        case data::FieldType::SmallInt: {
            const auto n = parseAmount(trimmed);
            if (!n) {
                reason = QStringLiteral("「%1」の「%2」は数として読めません").arg(f.name, trimmed);
                return std::nullopt;
            }
            if (*n != std::trunc(*n)) {
                reason = QStringLiteral("「%1」の「%2」は整数ではありません").arg(f.name, trimmed);
                return std::nullopt;
            }
            if (std::fabs(*n) >= 1e15 || (f.type == data::FieldType::SmallInt && std::fabs(*n) > 32767)) {
                reason = QStringLiteral("「%1」の「%2」は大きすぎます").arg(f.name, trimmed);
                return std::nullopt;
            }
            if (f.name != kAmount && *n < 0) {
                reason = QStringLiteral("「%1」の「%2」は負の数です").arg(f.name, trimmed);
                return std::nullopt;
            }
            return data::Value{*n};
        }
        case data::FieldType::Logical: {
            const auto b = parseLogical(trimmed);
            if (!b) {
                reason = QStringLiteral("「%1」の「%2」ははい・いいえ（1・0）として読めません").arg(f.name, trimmed);
                return std::nullopt;
            }
            return data::Value{*b};
        }
        case data::FieldType::Text:
        case data::FieldType::Memo: {
            // Text fields are stored without trailing blanks; memo text exactly as it stands.
            const QString text = f.type == data::FieldType::Text ? trimmed : cell;
            const QString bad = data::cp932::firstUnencodable(text);
            if (!bad.isEmpty()) {
                reason = QStringLiteral("「%1」の文字「%2」はシフトJISで表せないため保存できません").arg(f.name, bad);
                return std::nullopt;
            }
            if (f.type == data::FieldType::Text && data::cp932::byteWidth(text) > f.width) {
                reason = QStringLiteral("「%1」が長すぎます（全角%2文字・半角%3文字まで）")
                             .arg(f.name)
                             .arg(f.width / 2)
                             .arg(f.width);
                return std::nullopt;
            }
            return data::Value{text};
        }
        case data::FieldType::Picture: break;
    }
    return std::nullopt;
}

// The codes of the address book while a batch of people is numbered.
class CodeBook {
public:
    explicit CodeBook(const data::Table& table) {
        const int field = table.def().fieldIndex(kCode);
        for (quint32 r = 1; r <= table.recordCount(); ++r) {
            if (table.isDeleted(r)) continue;
            const data::Value v = table.value(r, field);
            if (const double* d = std::get_if<double>(&v)) used_.insert(*d);
        }
    }

    // The code a person gets: `given` when it is free, else the next in its household; without
    // one, the first of a new household after the highest code. Nothing when the household of
    // `given` holds its 99 people already. `member` tells whether the person joined a household.
    std::optional<double> take(std::optional<double> given, bool& member) {
        member = false;
        double code = 0;
        if (given && !used_.count(*given)) {
            code = *given;
        } else if (given) {
            const double base = householdBase(*given);
            auto it = used_.lower_bound(base + 100.0);
            const double last = (it == used_.begin()) ? base : *std::prev(it);
            code = std::max(last, base) + 1.0;
            if (code >= base + 100.0) return std::nullopt;
            member = true;
        } else {
            code = used_.empty() ? kFirstCode : (householdBase(*used_.rbegin()) + 100.0) + 1.0;
        }
        used_.insert(code);
        return code;
    }

private:
    std::set<double> used_;
};

QString householdFull(double code) {
    return QStringLiteral("相手先コード %1 の世帯には既に99人が登録されているため、これ以上追加できません")
        .arg(formatNumber(code));
}

qint32 nextEntryNumber(const data::Table& table, int field) {
    for (quint32 r = table.recordCount(); r >= 1; --r) {
        if (table.isDeleted(r)) continue;
        const data::Value v = table.value(r, field);
        const double* d = std::get_if<double>(&v);
        const double last = d ? *d : 0.0;
        if (!(last < double(std::numeric_limits<qint32>::max()))) return std::numeric_limits<qint32>::max();
        return qint32(std::max(0.0, std::trunc(last))) + 1;
    }
    return 1;
}

const data::Value* changeOf(const data::FieldChanges& changes, int field) {
    for (const auto& [f, v] : changes)
        if (f == field) return &v;
    return nullptr;
}

}  // namespace

QString targetTitle(ImportTarget target) {
    switch (target) {
        case ImportTarget::Counterparts: return QStringLiteral("相手先");
        case ImportTarget::Income: return QStringLiteral("収入");
        case ImportTarget::Expenditure: return QStringLiteral("支出");
    }
    return QString();
}

QString targetFile(ImportTarget target) {
    switch (target) {
        case ImportTarget::Counterparts: return QStringLiteral("Aitesaki.DBF");
        case ImportTarget::Income: return QStringLiteral("Indata.DBF");
        case ImportTarget::Expenditure: return QStringLiteral("Outdata.DBF");
    }
    return QString();
}

const data::TableDef& targetDef(ImportTarget target) { return *data::tableDefForFile(targetFile(target)); }

QStringList importFields(ImportTarget target) {
    QStringList names;
    for (const data::FieldDef& f : targetDef(target).fields) {
        if (f.type == data::FieldType::Picture) continue;
        if (target != ImportTarget::Counterparts && f.name == numberField(target)) continue;
        names << f.name;
    }
    return names;
}

bool isRequiredField(ImportTarget target, const QString& field) {
    if (field == kName) return true;
    if (target == ImportTarget::Counterparts) return field == kReading;
    return field == dateField(target);
}

ImportFile readImportFile(const QString& path, std::optional<Encoding> encoding) {
    const QByteArray bytes = readFileBytes(path);
    ImportFile file;
    file.encoding = encoding ? *encoding : detectEncoding(bytes);
    file.rows = parseCsv(decodeText(bytes, file.encoding));
    return file;
}

ColumnMap guessColumns(ImportTarget target, const QStringList& header) {
    auto canon = [](const QString& s) { return s.normalized(QString::NormalizationForm_KC).trimmed().toLower(); };
    const data::TableDef& def = targetDef(target);
    ColumnMap map;
    for (const QString& field : importFields(target)) {
        const data::FieldDef& f = def.fields[size_t(def.fieldIndex(field))];
        int found = -1;
        for (qsizetype c = 0; c < header.size() && found < 0; ++c)
            if (canon(header[c]) == canon(f.name) || canon(header[c]) == canon(f.diskName())) found = int(c);
        map.push_back(found);
    }
    return map;
}

std::vector<RowCheck> checkRows(ImportTarget target, const CsvRows& rows, const ColumnMap& columns,
                                const ImportOptions& options, const data::Table& table,
                                const data::Table::Progress& progress) {
    const data::TableDef& def = targetDef(target);
    const QStringList fields = importFields(target);
    // What is stored already, by the fields that make a duplicate.
    std::vector<int> dupFields;
    for (const QString& f : duplicateFields(target)) dupFields.push_back(def.fieldIndex(f));
    QHash<QString, quint32> stored;
    for (quint32 r = 1; r <= table.recordCount(); ++r) {
        if (table.isDeleted(r)) continue;
        QList<data::Value> values;
        for (int f : dupFields) values << table.value(r, f);
        stored.insert(recordKey(values), r);
    }
    CodeBook codes(table);
    const int codeField = def.fieldIndex(kCode);

    std::vector<RowCheck> checks;
    const size_t first = options.headerRow ? 1 : 0;
    for (size_t i = first; i < rows.size(); ++i) {
        const QStringList& row = rows[i];
        RowCheck check;
        check.row = int(i) + 1;
        bool blank = true;
        for (const QString& cell : row)
            if (!cell.trimmed().isEmpty()) blank = false;
        if (blank) {
            check.verdict = RowVerdict::Blank;
            check.reason = QStringLiteral("空の行");
        }
        QStringList reasons;
        for (qsizetype k = 0; k < fields.size() && !blank; ++k) {
            const int column = columns.size() > size_t(k) ? columns[size_t(k)] : -1;
            const QString cell = column >= 0 && column < row.size() ? row[column] : QString();
            if (cell.trimmed().isEmpty()) {
                if (isRequiredField(target, fields[k])) reasons << QStringLiteral("「%1」がありません").arg(fields[k]);
                continue;
            }
            const int field = def.fieldIndex(fields[k]);
            QString reason;
            const auto value = cellValue(def.fields[size_t(field)], cell, options.dateFormat, reason);
            if (value)
                check.changes.emplace_back(field, *value);
            else
                reasons << reason;
        }
        if (!blank && reasons.isEmpty() && target == ImportTarget::Counterparts) {
            const data::Value* given = changeOf(check.changes, codeField);
            std::optional<double> code;
            if (given && std::holds_alternative<double>(*given)) code = std::get<double>(*given);
            bool member = false;
            if (code && (*code < 1 || std::fmod(*code, 100.0) == 0))
                reasons << QStringLiteral("相手先コード「%1」は使えません（下2桁が01～99の番号です）").arg(formatNumber(*code));
            else if (!codes.take(code, member))
                reasons << householdFull(*code);
        }
        if (!reasons.isEmpty()) {
            check.verdict = RowVerdict::Refused;
            check.reason = reasons.join(QStringLiteral("、"));
        } else if (!blank) {
            QList<data::Value> values;
            for (int f : dupFields) {
                const data::Value* v = changeOf(check.changes, f);
                values << (v ? *v : data::Value{});
            }
            if (const auto it = stored.constFind(recordKey(values)); it != stored.constEnd()) {
                check.verdict = RowVerdict::Duplicate;
                check.reason = target == ImportTarget::Counterparts
                                   ? QStringLiteral("同じ氏名・住所の相手先が登録済みです")
                                   : QStringLiteral("同じ日付・氏名・金額のデータが登録済みです");
            }
        }
        checks.push_back(std::move(check));
        if (progress && !progress(qsizetype(checks.size())))
            throw data::ChangeCancelled(QStringLiteral("中止しました。何も登録されていません。"));
    }
    return checks;
}

int rowsToStore(const std::vector<RowCheck>& checks) {
    int n = 0;
    for (const RowCheck& c : checks)
        if (c.verdict == RowVerdict::Store || (c.verdict == RowVerdict::Duplicate && c.keep)) ++n;
    return n;
}

int storeRows(ImportTarget target, data::Table& table, const std::vector<RowCheck>& checks,
              const data::Table::Progress& progress) {
    std::vector<data::FieldChanges> rows;
    std::vector<int> fileRows;
    for (const RowCheck& c : checks) {
        if (c.verdict == RowVerdict::Store || (c.verdict == RowVerdict::Duplicate && c.keep)) {
            rows.push_back(c.changes);
            fileRows.push_back(c.row);
        }
    }
    if (rows.empty()) return 0;
    data::Table::Completion complete;
    if (target == ImportTarget::Counterparts) {
        // Decided under the lock, on the table as it is then; the book is read at the first row.
        auto book = std::make_shared<std::optional<CodeBook>>();
        auto index = std::make_shared<size_t>(0);
        complete = [book, index, fileRows](data::Table& t, data::FieldChanges& changes) {
            if (!*book) book->emplace(t);
            const size_t at = (*index)++;
            const int codeField = t.def().fieldIndex(kCode);
            const int headField = t.def().fieldIndex(kHead);
            const data::Value* given = changeOf(changes, codeField);
            std::optional<double> code;
            if (given && std::holds_alternative<double>(*given)) code = std::get<double>(*given);
            bool member = false;
            const std::optional<double> taken = (*book)->take(code, member);
            if (!taken)
                throw data::EngineError(QStringLiteral("%1行目: %2").arg(fileRows[at]).arg(householdFull(*code)));
            data::setChange(changes, codeField, *taken);
            if (!changeOf(changes, headField)) data::setChange(changes, headField, !member);
        };
    } else {
        complete = [field = targetDef(target).fieldIndex(numberField(target))](data::Table& t,
                                                                                data::FieldChanges& changes) {
            data::setChange(changes, field, double(nextEntryNumber(t, field)));
        };
    }
    table.appendAll(rows, complete, progress);
    return int(rows.size());
}

}  // namespace mz::exchange
