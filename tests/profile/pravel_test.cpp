#include "profile/pravel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/profile_engine.h"
#include "platform/virtual_clock.h"
#include "tests/profile/temp_folder.h"

namespace {

class PravelControl : public ::testing::Test {
protected:
    PravelControl() {
        ini.File(dir / "net.ini");
        ini.Sezione("Main");
        ini.Chiave("Key");
        ini.Valore("");
    }
    ~PravelControl() override { platform::profile_flush(); }

    std::string file_bytes() {
        platform::profile_flush();
        return read_file(dir / "net.ini");
    }
    std::string read(const std::string& section, const std::string& key) {
        ini.Sezione(section);
        ini.Chiave(key);
        EXPECT_EQ(ini.LeggiValore(), "");
        return ini.Valore();
    }
    void write(const std::string& section, const std::string& key, const std::string& value) {
        ini.Sezione(section);
        ini.Chiave(key);
        ini.Valore(value);
        ini.ScriviValore();
    }

    platform::VirtualClock clock;
    TempFolder dir;
    Pravel ini;
};

TEST_F(PravelControl, written_values_are_quoted_and_read_back_with_their_blanks) {
    write("Main", "DeviceName", " Kitchen lamp ");
    write("Main", "Empty", "");
    write("Main", "Quotes", "\"inner\"");
    EXPECT_EQ(file_bytes(), "[Main]\r\nDeviceName=\" Kitchen lamp \"\r\nEmpty=\"\"\r\nQuotes=\"\"inner\"\"\r\n");
    EXPECT_EQ(read("main", "devicename"), " Kitchen lamp ");
    EXPECT_EQ(read("Main", "Empty"), "");
    EXPECT_EQ(read("Main", "Quotes"), "\"inner\"");
    EXPECT_EQ(read("Main", "Missing"), "Errore");
    EXPECT_EQ(read("Missing", "DeviceName"), "Errore");
}

TEST_F(PravelControl, reads_are_cut_at_126_characters) {
    struct Case {
        size_t stored;
        size_t read;
    };
    for (Case c : {Case{125, 125}, Case{126, 126}, Case{127, 126}, Case{300, 126}}) {
        std::string value(c.stored, 'v');
        value.back() = 'e';
        write("Main", "Long", value);
        EXPECT_EQ(read("Main", "Long"), value.substr(0, c.read)) << c.stored;
    }
}

TEST_F(PravelControl, crea_file_ini_leaves_the_file_existing_without_a_section_named_sezione) {
    ini.CreaFileIni();
    EXPECT_EQ(file_bytes(), "");
    EXPECT_TRUE(file_exists(dir / "net.ini"));
    write_file(dir / "net.ini", "[A]\r\nk=1\r\n[sezione]\r\nChiave=x\r\nother=y\r\n[B]\r\nk=2\r\n");
    ini.CreaFileIni();
    EXPECT_EQ(file_bytes(), "[A]\r\nk=1\r\n[B]\r\nk=2\r\n");
}

TEST_F(PravelControl, crea_sezione_leaves_the_header_and_removes_a_key_named_chiave) {
    ini.Sezione("Empty one");
    ini.CreaSezione();
    EXPECT_EQ(file_bytes(), "[Empty one]\r\n");
    write_file(dir / "net.ini", "[S]\r\nchiave=old\r\nkeep=1\r\n");
    ini.Sezione("S");
    ini.CreaSezione();
    EXPECT_EQ(file_bytes(), "[S]\r\nkeep=1\r\n");
}

TEST_F(PravelControl, crea_chiave_writes_an_empty_unquoted_value) {
    write("S", "k", "old");
    ini.CreaChiave();
    ini.Chiave("new");
    ini.CreaChiave();
    EXPECT_EQ(file_bytes(), "[S]\r\nk=\r\nnew=\r\n");
    EXPECT_EQ(read("S", "k"), "");
}

TEST_F(PravelControl, cancella_chiave_needs_a_key_and_cancella_sezione_removes_all_keys) {
    const std::string before = "[S]\r\na=1\r\nb=2\r\n[T]\r\nc=3\r\n";
    write_file(dir / "net.ini", before);
    ini.Sezione("S");
    ini.Chiave("");
    ini.CancellaChiave();
    EXPECT_EQ(file_bytes(), before);
    ini.Chiave("a");
    ini.CancellaChiave();
    EXPECT_EQ(file_bytes(), "[S]\r\nb=2\r\n[T]\r\nc=3\r\n");
    ini.CancellaSezione();
    EXPECT_EQ(file_bytes(), "[T]\r\nc=3\r\n");
}

TEST_F(PravelControl, text_with_line_breaks_or_nuls_writes_nothing) {
    write("S", "k", "safe");
    const std::string before = file_bytes();
    write("S", "k", "line\r\n[Injected]\r\nx=1");
    write("S", std::string("k\0x", 3), "v");
    write("S", "k", std::string("a\0b", 3));
    write(std::string("S\0T", 3), "k", "v");
    EXPECT_EQ(file_bytes(), before);
    EXPECT_EQ(read("S", std::string("k\0x", 3)), "Errore");
    EXPECT_EQ(read("S", "k"), "safe");
}

TEST_F(PravelControl, properties_are_shared_by_instances_on_a_thread_and_announced) {
    std::vector<std::string> announced;
    ini.PropertyChanged = [&](const std::string& name) { announced.push_back(name); };
    Pravel other;
    other.File("x.ini");
    ini.Sezione("S");
    ini.Chiave("K");
    ini.Valore("V");
    ini.File("y.ini");
    EXPECT_EQ(other.File(), "y.ini");
    EXPECT_EQ(other.Sezione(), "S");
    EXPECT_EQ(other.Chiave(), "K");
    EXPECT_EQ(other.Valore(), "V");
    EXPECT_EQ(announced, (std::vector<std::string>{"Sezione", "Chiave", "Valore", "File"}));
    std::string seen_elsewhere = "unset";
    std::thread([&] { seen_elsewhere = Pravel().Sezione() + Pravel().File(); }).join();
    EXPECT_EQ(seen_elsewhere, "");
}

TEST_F(PravelControl, persisted_in_order_with_empty_defaults) {
    ini.Sezione("S");
    ini.Chiave("");
    ini.Valore("V");
    ini.File("f.ini");
    PropertyBag bag;
    ini.WriteProperties(bag);
    using Entries = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(bag.Entries(), (Entries{{"Sezione", "S"}, {"Valore", "V"}, {"File", "f.ini"}}));
    ini.Sezione("");
    ini.WriteProperties(bag);
    EXPECT_EQ(bag.Entries(), (Entries{{"Valore", "V"}, {"File", "f.ini"}}));
    bag.WriteProperty("Chiave", "K", "");
    ini.File("changed");
    ini.ReadProperties(bag);
    EXPECT_EQ(ini.Sezione() + "|" + ini.Chiave() + "|" + ini.Valore() + "|" + ini.File(), "|K|V|f.ini");
}

TEST_F(PravelControl, folders_are_real_and_end_in_a_slash) {
    const char* old_tmp = std::getenv("TMPDIR");
    std::string saved = old_tmp ? old_tmp : "";
    ::setenv("TMPDIR", dir.path().c_str(), 1);
    EXPECT_EQ(ini.TePath(), dir.path() + "/");
    ::setenv("TMPDIR", (dir / "missing").c_str(), 1);
    EXPECT_EQ(ini.TePath(), "/tmp/");
    old_tmp ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
    EXPECT_EQ(ini.SyPath(), "/usr/lib/");

    const char* old_config = std::getenv("XDG_CONFIG_HOME");
    std::string saved_config = old_config ? old_config : "";
    std::string mixed = dir / "Config Folder";
    ::mkdir(mixed.c_str(), 0755);
    ::setenv("XDG_CONFIG_HOME", mixed.c_str(), 1);
    EXPECT_EQ(ini.WnPath(), mixed + "/");
    // A file named without a folder lives there.
    ini.File("bare.ini");
    write("S", "k", "v");
    platform::profile_flush();
    EXPECT_EQ(read_file(mixed + "/bare.ini"), "[S]\r\nk=\"v\"\r\n");
    old_config ? ::setenv("XDG_CONFIG_HOME", saved_config.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(PravelControl, keeps_the_picture_size_and_describes_its_properties) {
    ini.Resize(500, 7);
    EXPECT_EQ(ini.Width(), Pravel::kImmagineWidth);
    EXPECT_EQ(ini.Height(), Pravel::kImmagineHeight);
    EXPECT_EQ(Pravel::HelpString("Sezione"), "Imposta o restituisce la Sezione di un certo file INI");
    EXPECT_EQ(Pravel::HelpString("Chiave"), "Imposta o restituisce la Chiave relativa ad una data Sezione");
    EXPECT_EQ(Pravel::HelpString("Valore"), "Imposta o restituisce il Valore relativo ad una certa Chiave");
    EXPECT_EQ(Pravel::HelpString("File"), "Imposta o restituisce il file INI sul quale si sta lavorando");
    EXPECT_EQ(Pravel::HelpString("Other"), "");
}

TEST_F(PravelControl, a_control_that_goes_leaves_its_changes_on_disk) {
    {
        Pravel second;
        second.Sezione("Gone");
        second.Chiave("k");
        second.Valore("v");
        second.ScriviValore();
        EXPECT_FALSE(file_exists(dir / "net.ini"));
    }
    EXPECT_EQ(read_file(dir / "net.ini"), "[Gone]\r\nk=\"v\"\r\n");
}

}  // namespace
