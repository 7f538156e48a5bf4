#include "app/core/string_table.h"

#include <QFile>
#include <map>

#include "app/core/mod_main.h"

namespace modMain {

namespace {

constexpr int32_t kItalianOffset = 9000;

// Lines of "id<TAB>text"; comments and lines without a numeric id are skipped. The text is kept
// byte for byte, inner blanks included.
std::map<int32_t, std::string> parse_table(const QByteArray& data) {
    std::map<int32_t, std::string> table;
    for (const QByteArray& line : data.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (line.startsWith('#') || tab <= 0) continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (!ok) continue;
        QByteArray text = line.mid(tab + 1);
        if (text.endsWith('\r')) text.chop(1);
        table[id] = text.toStdString();
    }
    return table;
}

// The table is a constant resource of the program; read once, never changed.
const std::map<int32_t, std::string>& table() {
    static const std::map<int32_t, std::string> strings = [] {
        QFile file(QStringLiteral(":/dalmiro/strings.tsv"));
        return file.open(QIODevice::ReadOnly) ? parse_table(file.readAll()) : std::map<int32_t, std::string>{};
    }();
    return strings;
}

}  // namespace

std::optional<std::string> LoadResString(int32_t id) {
    auto it = table().find(id);
    if (it == table().end()) return std::nullopt;
    return it->second;
}

std::string LocString(int32_t english_id) {
    return LoadResString(english_id + g().LangOffset).value_or(std::string());
}

void SelectLanguage() {
    State& s = g();
    if (s.LangID == 1) s.LangOffset = kItalianOffset;
    else if (s.LangID == 2) s.LangOffset = 0;
}

}  // namespace modMain
