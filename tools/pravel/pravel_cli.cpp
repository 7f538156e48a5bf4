#include "tools/pravel/pravel_cli.h"

#include <functional>

#include "platform/profile_engine.h"
#include "platform/profile_paths.h"
#include "profile/pravel.h"

const char kPravelUsage[] =
    "usage: pravel read FILE SECTION KEY\n"
    "       pravel write FILE SECTION KEY VALUE\n"
    "       pravel create-key FILE SECTION KEY\n"
    "       pravel delete-key FILE SECTION KEY\n"
    "       pravel delete-section FILE SECTION\n"
    "       pravel create-file FILE\n"
    "       pravel create-section FILE SECTION\n"
    "       pravel paths\n"
    "       pravel --help | --version\n";

namespace {

// The control answers "Errore" both for a missing entry and for one that holds that word; asked
// again with an empty default, only the stored word comes back.
bool entry_exists(const std::string& file, const std::string& section, const std::string& key) {
    char value[8] = {};
    const uint32_t n = platform::GetPrivateProfileString(section.c_str(), key.c_str(), "", value, sizeof value, file);
    if (n > 0) return true;
    return platform::GetPrivateProfileString(section.c_str(), key.c_str(), "Errore", value, sizeof value, file) == 0;
}

struct Form {
    const char* name;
    size_t operands;  // FILE, SECTION, KEY, VALUE: how many of them, in that order
    std::function<void(Pravel&, std::ostream&)> action;
};

}  // namespace

int run_pravel(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Form forms[] = {
        {"read", 3, [](Pravel& p, std::ostream& o) { p.LeggiValore(); o << p.Valore() << '\n'; }},
        {"write", 4, [](Pravel& p, std::ostream&) { p.ScriviValore(); }},
        {"create-key", 3, [](Pravel& p, std::ostream&) { p.CreaChiave(); }},
        {"delete-key", 3, [](Pravel& p, std::ostream&) { p.CancellaChiave(); }},
        {"delete-section", 2, [](Pravel& p, std::ostream&) { p.CancellaSezione(); }},
        {"create-file", 1, [](Pravel& p, std::ostream&) { p.CreaFileIni(); }},
        {"create-section", 2, [](Pravel& p, std::ostream&) { p.CreaSezione(); }},
        {"paths", 0, [](Pravel& p, std::ostream& o) { o << p.SyPath() << '\n' << p.WnPath() << '\n' << p.TePath() << '\n'; }},
    };
    for (const Form& f : forms) {
        if (args.empty() || args[0] != f.name || args.size() != f.operands + 1) continue;
        // The control flushes what it changed when it goes, so the file is on disk before exit.
        Pravel pravel;
        void (Pravel::*setters[])(const std::string&) = {&Pravel::File, &Pravel::Sezione, &Pravel::Chiave,
                                                          &Pravel::Valore};
        for (size_t i = 0; i < f.operands; ++i) (pravel.*setters[i])(args[i + 1]);
        if (f.operands == 0) {
            f.action(pravel, out);
            return 0;
        }
        // The control itself reports nothing; a script must still learn that its write did not happen.
        const std::string& file = args[1];
        const bool reads = f.name == std::string("read");
        // A name the control cannot give a file to (empty, or a folder's with its "/") does nothing.
        std::string why = platform::resolve_profile_path(file).empty()
                              ? (file.empty() ? "no file name" : "a file name cannot end in \"/\"")
                              : reads ? platform::profile_read_error(file) : std::string();
        if (why.empty()) {
            f.action(pravel, out);
            if (reads) return entry_exists(file, args[2], args[3]) ? 0 : kPravelNoEntry;
            why = platform::profile_save(file);
        }
        if (why.empty()) return 0;
        err << "pravel: " << file << ": " << why << '\n';
        return 1;
    }
    err << kPravelUsage;
    return 2;
}
