#include "data/indexkey.h"

#include "data/fieldcodec.h"

namespace mz::data {

IndexKey makeIndexKey(const FieldDef& field, QByteArrayView raw) {
    IndexKey k;
    switch (field.type) {
        case FieldType::Text: {
            k.type = 'C';
            k.text = raw.toByteArray();
            for (char& c : k.text)
                if (c == '\0') c = ' ';
            break;
        }
        case FieldType::Date: {
            k.type = 'D';
            const Value v = decodeField(field, raw);
            if (const QDate* d = std::get_if<QDate>(&v)) k.number = static_cast<double>(d->toJulianDay());
            break;
        }
        default: {
            k.type = 'N';
            const Value v = decodeField(field, raw);
            if (const double* d = std::get_if<double>(&v)) k.number = *d;
            break;
        }
    }
    return k;
}

}  // namespace mz::data
