#include "profile/pravel.h"

#include <initializer_list>
#include <utility>

#include "platform/profile_engine.h"
#include "platform/profile_paths.h"

namespace {

struct Globale {
    std::string File, Sezione, Chiave, Valore;
};
thread_local Globale globale;

const char kNotFound[] = "Errore";

const std::pair<const char*, const char*> kHelp[] = {
    {"Sezione", "Imposta o restituisce la Sezione di un certo file INI"},
    {"Chiave", "Imposta o restituisce la Chiave relativa ad una data Sezione"},
    {"Valore", "Imposta o restituisce il Valore relativo ad una certa Chiave"},
    {"File", "Imposta o restituisce il file INI sul quale si sta lavorando"},
};

// The profile functions take C strings: a property holding a NUL would name another entry or cut the
// value short, so such a call is not made at all.
bool passable(std::initializer_list<const std::string*> texts) {
    for (const std::string* t : texts)
        if (t->find('\0') != std::string::npos) return false;
    return true;
}

bool write(const std::string& section, const char* key, const char* value) {
    if (!passable({&globale.File, &section})) return false;
    return platform::WritePrivateProfileString(section.c_str(), key, value, globale.File);
}

std::string quoted(const std::string& value) { return "\"" + value + "\""; }

std::string folder_path(const std::string& folder) {
    if (folder.empty()) return "/";
    return folder.back() == '/' ? folder : folder + "/";
}

}  // namespace

Pravel::~Pravel() { platform::profile_flush(); }

std::string Pravel::File() const { return globale.File; }
void Pravel::File(const std::string& value) {
    globale.File = value;
    changed("File");
}
std::string Pravel::Sezione() const { return globale.Sezione; }
void Pravel::Sezione(const std::string& value) {
    globale.Sezione = value;
    changed("Sezione");
}
std::string Pravel::Chiave() const { return globale.Chiave; }
void Pravel::Chiave(const std::string& value) {
    globale.Chiave = value;
    changed("Chiave");
}
std::string Pravel::Valore() const { return globale.Valore; }
void Pravel::Valore(const std::string& value) {
    globale.Valore = value;
    changed("Valore");
}

void Pravel::changed(const char* name) {
    if (PropertyChanged) PropertyChanged(name);
}

void Pravel::CancellaChiave() {
    if (globale.Chiave.empty() || !passable({&globale.Chiave})) return;
    write(globale.Sezione, globale.Chiave.c_str(), nullptr);
}

void Pravel::CancellaSezione() { write(globale.Sezione, nullptr, nullptr); }

void Pravel::CreaChiave() {
    if (!passable({&globale.Chiave})) return;
    write(globale.Sezione, globale.Chiave.c_str(), "");
}

void Pravel::CreaFileIni() {
    // Writing an entry is what creates a file; the entry goes again at once.
    if (write("Sezione", "Chiave", "\"Valore\"")) write("Sezione", nullptr, nullptr);
}

void Pravel::CreaSezione() {
    // Writing a key is what creates a section; the key goes again at once, the header stays.
    if (write(globale.Sezione, "Chiave", "\"Valore\"")) write(globale.Sezione, "Chiave", nullptr);
}

void Pravel::ScriviValore() {
    if (!passable({&globale.Chiave, &globale.Valore})) return;
    write(globale.Sezione, globale.Chiave.c_str(), quoted(globale.Valore).c_str());
}

std::string Pravel::LeggiValore() {
    if (!passable({&globale.File, &globale.Sezione, &globale.Chiave})) {
        globale.Valore = kNotFound;
        return "";
    }
    char buffer[128] = {};
    uint32_t n = platform::GetPrivateProfileString(globale.Sezione.c_str(), globale.Chiave.c_str(), kNotFound, buffer,
                                                   127, globale.File);
    globale.Valore.assign(buffer, n);
    return "";
}

std::string Pravel::SyPath() const { return folder_path(platform::profile_system_folder()); }
std::string Pravel::WnPath() const { return folder_path(platform::profile_home_folder()); }
std::string Pravel::TePath() const { return folder_path(platform::profile_temp_folder()); }

void Pravel::ReadProperties(PropertyBag& bag) {
    globale.Sezione = bag.ReadProperty("Sezione", "");
    globale.Chiave = bag.ReadProperty("Chiave", "");
    globale.Valore = bag.ReadProperty("Valore", "");
    globale.File = bag.ReadProperty("File", "");
}

void Pravel::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("Sezione", globale.Sezione, "");
    bag.WriteProperty("Chiave", globale.Chiave, "");
    bag.WriteProperty("Valore", globale.Valore, "");
    bag.WriteProperty("File", globale.File, "");
}

void Pravel::Resize(int, int) {
    width_ = kImmagineWidth;
    height_ = kImmagineHeight;
}

std::string Pravel::HelpString(const std::string& property) {
    for (const auto& [name, text] : kHelp)
        if (property == name) return text;
    return "";
}
