// mizorel-sample DIR [--entries N] [--seed S]: fills a data directory with realistic records
// through the table engine: households of counterparts with readings over every kana row,
// purposes in the five categories, family members, and N income and N expenditure entries over
// thirty years with amounts, goods, and a few photographs. The data of demos, screenshots and
// benchmarks. A missing or empty directory is first made into a data directory.
#include "data/cursor.h"
#include "data/table.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <random>
#include <set>

using mz::data::Cursor;
using mz::data::EngineError;

namespace {

struct Name {
    const char* kanji;
    const char* kana;  // half-width katakana, as the address book stores readings
};

// Surnames over every kana row, voiced and semi-voiced readings included.
const Name kSurnames[] = {
    {"青木", "ｱｵｷ"},     {"石井", "ｲｼｲ"},       {"上田", "ｳｴﾀﾞ"},    {"遠藤", "ｴﾝﾄﾞｳ"},
    {"大野", "ｵｵﾉ"},     {"加藤", "ｶﾄｳ"},       {"木村", "ｷﾑﾗ"},     {"工藤", "ｸﾄﾞｳ"},
    {"小林", "ｺﾊﾞﾔｼ"},   {"後藤", "ｺﾞﾄｳ"},     {"儀間", "ｷﾞﾏ"},     {"佐藤", "ｻﾄｳ"},
    {"清水", "ｼﾐｽﾞ"},    {"鈴木", "ｽｽﾞｷ"},     {"関", "ｾｷ"},        {"曽根", "ｿﾈ"},
    {"座間", "ｻﾞﾏ"},     {"田中", "ﾀﾅｶ"},       {"千葉", "ﾁﾊﾞ"},     {"土屋", "ﾂﾁﾔ"},
    {"寺田", "ﾃﾗﾀﾞ"},    {"土井", "ﾄﾞｲ"},       {"伊達", "ﾀﾞﾃ"},     {"中村", "ﾅｶﾑﾗ"},
    {"西田", "ﾆｼﾀﾞ"},    {"沼田", "ﾇﾏﾀ"},       {"根本", "ﾈﾓﾄ"},     {"野口", "ﾉｸﾞﾁ"},
    {"浜田", "ﾊﾏﾀﾞ"},    {"平野", "ﾋﾗﾉ"},       {"藤田", "ﾌｼﾞﾀ"},    {"堀", "ﾎﾘ"},
    {"馬場", "ﾊﾞﾊﾞ"},    {"別府", "ﾍﾞｯﾌﾟ"},    {"朴", "ﾊﾟｸ"},       {"松本", "ﾏﾂﾓﾄ"},
    {"三浦", "ﾐｳﾗ"},     {"村上", "ﾑﾗｶﾐ"},     {"目黒", "ﾒｸﾞﾛ"},    {"森", "ﾓﾘ"},
    {"山田", "ﾔﾏﾀﾞ"},    {"湯川", "ﾕｶﾜ"},       {"横山", "ﾖｺﾔﾏ"},    {"李", "ﾘ"},
    {"龍崎", "ﾘｭｳｻﾞｷ"}, {"留守", "ﾙｽ"},       {"冷泉", "ﾚｲｾﾞｲ"},  {"六角", "ﾛｯｶｸ"},
    {"和田", "ﾜﾀﾞ"},     {"渡辺", "ﾜﾀﾅﾍﾞ"},
};

const Name kGivenNames[] = {
    {"太郎", "ﾀﾛｳ"},   {"花子", "ﾊﾅｺ"},   {"一郎", "ｲﾁﾛｳ"}, {"美咲", "ﾐｻｷ"},   {"健太", "ｹﾝﾀ"},
    {"陽子", "ﾖｳｺ"},   {"誠", "ﾏｺﾄ"},     {"恵子", "ｹｲｺ"},   {"翔太", "ｼｮｳﾀ"}, {"さくら", "ｻｸﾗ"},
    {"浩二", "ｺｳｼﾞ"}, {"由美", "ﾕﾐ"},     {"大輔", "ﾀﾞｲｽｹ"}, {"明美", "ｱｹﾐ"},   {"勇", "ｲｻﾑ"},
};

struct Place {
    const char* zip;
    const char* town;
    const char* phone;
};

const Place kPlaces[] = {
    {"154-0015", "東京都世田谷区桜新町", "03"},   {"330-0063", "埼玉県さいたま市浦和区高砂", "048"},
    {"231-0023", "神奈川県横浜市中区山下町", "045"}, {"460-0008", "愛知県名古屋市中区栄", "052"},
    {"530-0001", "大阪府大阪市北区梅田", "06"},   {"604-8005", "京都府京都市中京区恵比須町", "075"},
    {"812-0011", "福岡県福岡市博多区博多駅前", "092"}, {"980-0021", "宮城県仙台市青葉区中央", "022"},
    {"060-0001", "北海道札幌市中央区北一条西", "011"}, {"900-0015", "沖縄県那覇市久茂地", "098"},
};

struct Purpose {
    const char* name;
    int category;
};

const char* kCategories[] = {"お祝い", "一般行事", "お返し", "お見舞い", "弔事全般"};

const Purpose kPurposes[] = {
    {"結婚祝", 0},   {"出産祝", 0},   {"入学祝", 0},   {"卒業祝", 0},   {"就職祝", 0},
    {"新築祝", 0},   {"長寿祝", 0},   {"七五三", 0},   {"お中元", 1},   {"お歳暮", 1},
    {"お年賀", 1},   {"餞別", 1},     {"手土産", 1},   {"内祝", 2},     {"香典返し", 2},
    {"快気祝", 2},   {"結婚内祝", 2}, {"病気見舞", 3}, {"災害見舞", 3}, {"暑中見舞", 3},
    {"香典", 4},     {"供花", 4},     {"法要", 4},     {"御仏前", 4},
};

const char* kFamily[] = {"太郎", "花子", "一郎", "美咲"};

const char* kGoods[] = {
    "商品券", "カタログギフト", "タオルセット", "お菓子の詰め合わせ", "日本酒一升",
    "果物の盛り合わせ", "お茶の詰め合わせ", "洗剤セット", "花束", "図書カード",
};

const double kAmounts[] = {3000, 5000, 5000, 10000, 10000, 10000, 20000, 30000, 30000, 50000, 100000};

QString u(const char* s) { return QString::fromUtf8(s); }

// A small 24-bit bitmap of one colour with a lighter frame, standing in for a photograph.
QByteArray photo(std::mt19937& rng) {
    QByteArray bmp = mz::data::grayBitmap(48, 36);
    std::uniform_int_distribution<int> c(40, 220);
    const char b = static_cast<char>(c(rng)), g = static_cast<char>(c(rng)), r = static_cast<char>(c(rng));
    const int rowSize = (48 * 3 + 3) & ~3;
    for (int y = 2; y < 34; ++y)
        for (int x = 2; x < 46; ++x) {
            char* p = bmp.data() + 54 + y * rowSize + x * 3;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    return bmp;
}

struct Person {
    QString name;
};

std::vector<Person> makeCounterparts(std::mt19937& rng, int households) {
    Cursor c;
    c.open(u("Aitesaki.DBF"));
    std::vector<Person> people;
    std::uniform_int_distribution<int> pickSurname(0, std::size(kSurnames) - 1);
    std::uniform_int_distribution<int> pickGiven(0, std::size(kGivenNames) - 1);
    std::uniform_int_distribution<int> pickPlace(0, std::size(kPlaces) - 1);
    std::uniform_int_distribution<int> members(0, 3);
    std::uniform_int_distribution<int> digits(1000, 9999);
    std::uniform_int_distribution<int> chome(1, 9);
    for (int h = 0; h < households; ++h) {
        const Name& sur = kSurnames[h < static_cast<int>(std::size(kSurnames)) ? h : pickSurname(rng)];
        const Place& place = kPlaces[pickPlace(rng)];
        const QString address = u(place.town) + QStringLiteral("%1-%2-%3").arg(chome(rng)).arg(chome(rng)).arg(chome(rng));
        const QString phone = u(place.phone) + QStringLiteral("-%1-%2").arg(digits(rng)).arg(digits(rng));
        const int n = 1 + members(rng);
        for (int m = 0; m < n; ++m) {
            const Name& given = kGivenNames[pickGiven(rng)];
            const QString name = u(sur.kanji) + QChar(0x3000) + u(given.kanji);
            c.append();
            c.setValue(u("相手先コード"), double((h + 1) * 100 + m + 1));
            c.setValue(u("氏名"), name);
            c.setValue(u("フリガナ"), u(sur.kana) + u(" ") + u(given.kana));
            c.setValue(u("〒"), u(place.zip));
            c.setValue(u("住所1"), address);
            if (m == 0 && h % 3 == 0) c.setValue(u("住所2"), u("グランドハイツ") + QString::number(100 + h % 900) + u("号室"));
            c.setValue(u("自宅電話"), phone);
            if (h % 2 == 0) c.setValue(u("携帯電話"), QStringLiteral("090-%1-%2").arg(digits(rng)).arg(digits(rng)));
            if (h % 5 == 0) c.setValue(u("ＦＡＸ"), phone);
            if (h % 4 == 0) c.setValue(u("Email"), QStringLiteral("family%1@example.jp").arg(h + 1));
            c.setValue(u("世帯代表"), m == 0);
            if (h % 7 == 0 && m == 0) c.setValue(u("メモ"), u("年賀状のやり取りあり。\n親戚筋。"));
            c.post();
            people.push_back({name});
        }
    }
    return people;
}

void makePurposes() {
    Cursor c;
    c.open(u("Moku.dbf"));
    double code = 1;
    for (const Purpose& p : kPurposes) {
        c.append();
        c.setValue(u("目的コード"), code++);
        c.setValue(u("目的"), u(p.name));
        c.setValue(u("目的区分"), u(kCategories[p.category]));
        c.setValue(u("区分番号"), double(p.category));
        c.post();
    }
}

void makeFamily() {
    Cursor c;
    c.open(u("Kazoku.dbf"));
    double code = 1;
    for (const char* f : kFamily) {
        c.append();
        c.setValue(u("家族コード"), code++);
        c.setValue(u("家族名"), u(f));
        c.post();
    }
}

void makeEntries(std::mt19937& rng, const std::vector<Person>& people, int n, bool income) {
    Cursor c;
    c.open(income ? u("Indata.DBF") : u("Outdata.DBF"));
    const QString numberField = income ? u("収入番号") : u("支出番号");
    const QString dateField = income ? u("収入日") : u("支出日");
    std::uniform_int_distribution<size_t> pickPerson(0, people.size() - 1);
    std::uniform_int_distribution<int> pickPurpose(0, std::size(kPurposes) - 1);
    std::uniform_int_distribution<int> pickFamily(0, std::size(kFamily) - 1);
    std::uniform_int_distribution<int> pickAmount(0, std::size(kAmounts) - 1);
    std::uniform_int_distribution<int> pickGoods(0, std::size(kGoods) - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> jitter(-20, 20);
    const QDate start(1996, 1, 1);
    const qint64 span = start.daysTo(QDate(2025, 12, 31));
    double number = c.isEmpty() ? 1 : (c.last(), c.number(numberField) + 1);
    for (int i = 0; i < n; ++i) {
        // Entries are typed in roughly the order of their dates, with some late ones.
        const qint64 day = std::clamp<qint64>(span * i / std::max(n, 1) + jitter(rng), 0, span);
        c.append();
        c.setValue(numberField, number++);
        c.setValue(dateField, start.addDays(day));
        c.setValue(u("氏名"), people[pickPerson(rng)].name);
        c.setValue(u("目的"), u(kPurposes[pickPurpose(rng)].name));
        if (income && percent(rng) < 80) c.setValue(u("家族名"), u(kFamily[pickFamily(rng)]));
        const int kind = percent(rng);
        if (kind < 70) c.setValue(u("金額"), kAmounts[pickAmount(rng)]);
        if (kind >= 55) {
            c.setValue(u("物品"), u(kGoods[pickGoods(rng)]));
            c.setValue(u("物品／備考"), u("有り"));
        }
        if (percent(rng) == 0) c.setValue(u("写真"), photo(rng));
        c.post();
    }
}

// Return records for the income entries, as registration would have made them with the
// program's default rules (お祝い: within a month, 弔事全般: after the forty-ninth day, お見舞い:
// no fixed date, the rest: none), and a household's history: most returns of the past sent
// about three weeks after the gift, a few forgotten, the latest ones still open.
void makeReturns(std::mt19937& rng) {
    Cursor in;
    in.open(u("Indata.DBF"));
    Cursor c;
    c.open(u("Okaeshi.DBF"));
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> pickGoods(0, std::size(kGoods) - 1);
    const QDate recent(2025, 9, 1);
    std::set<double> present;  // a folder filled before keeps the records it has
    for (c.first(); !c.eof(); c.next()) present.insert(c.number(u("収入番号")));
    for (in.first(); !in.eof(); in.next()) {
        if (present.count(in.number(u("収入番号")))) continue;
        int category = -1;
        for (const Purpose& p : kPurposes)
            if (in.text(u("目的")) == u(p.name)) category = p.category;
        const bool due = category == 0 || category == 3 || category == 4;
        const QDate received = in.date(u("収入日"));
        c.append();
        c.setValue(u("収入番号"), in.number(u("収入番号")));
        c.setValue(u("返礼要"), due);
        if (category == 0) c.setValue(u("期日"), received.addMonths(1));
        if (category == 4) c.setValue(u("期日"), received.addDays(49));
        QString status = u("不要");
        if (due) {
            const int roll = percent(rng);
            if (received >= recent) {
                status = roll < 50 ? u("未手配") : u("手配済");
            } else if (roll < 4) {
                status = u("未手配");  // forgotten
            } else {
                status = u("送付済");
                c.setValue(u("送付日"), received.addDays(20 + roll % 10));
                c.setValue(u("品物"), u(kGoods[pickGoods(rng)]));
                const double amount = in.number(u("金額"));
                if (amount > 0) c.setValue(u("返礼額"), std::round(amount / 200) * 100);
            }
            if (status == u("手配済")) c.setValue(u("品物"), u(kGoods[pickGoods(rng)]));
        }
        c.setValue(u("状況"), status);
        c.post();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Sample data is made in one go into a fresh folder: a power cut means making it again, so
    // the posts need not wait for the disk.
    mz::data::Table::setSyncWrites(false);
    QStringList args = app.arguments();
    args.removeFirst();
    int entries = 1000;
    unsigned seed = 20241215;
    QString dir;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == u("--entries") && i + 1 < args.size()) entries = args[++i].toInt();
        else if (args[i] == u("--seed") && i + 1 < args.size()) seed = args[++i].toUInt();
        else if (dir.isEmpty() && !args[i].startsWith(u'-')) dir = args[i];
        else dir.clear(), entries = -1;
    }
    if (dir.isEmpty() || entries < 0) {
        std::fprintf(stderr, "使い方: mizorel-sample フォルダ [--entries 件数] [--seed 種]\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    try {
        if (!QFileInfo::exists(QDir(dir).filePath(u("Indata.DBF")))) mz::data::createDataDirectory(dir);
        mz::data::createMissingTables(dir);
        QDir::setCurrent(dir);
        std::mt19937 rng(seed);
        const int households = std::clamp(entries / 20, 60, 2000);
        const std::vector<Person> people = makeCounterparts(rng, households);
        makePurposes();
        makeFamily();
        makeEntries(rng, people, entries, true);
        makeEntries(rng, people, entries, false);
        makeReturns(rng);
        std::printf("%s: 相手先 %zu 人、目的 %zu 件、家族 %zu 人、収入 %d 件、支出 %d 件 (%.1f 秒)\n",
                    QDir(dir).absolutePath().toUtf8().constData(), people.size(), std::size(kPurposes),
                    std::size(kFamily), entries, entries, timer.elapsed() / 1000.0);
    } catch (const EngineError& e) {
        std::fprintf(stderr, "mizorel-sample: %s\n", e.message().toUtf8().constData());
        return 1;
    }
    return 0;
}
