#include "tools/pravel/pravel_cli.h"

#include <functional>

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
        f.action(pravel, out);
        return 0;
    }
    err << kPravelUsage;
    return 2;
}
