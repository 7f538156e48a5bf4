#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>

#include "app/core/localised_captions.h"
#include "app/core/mod_main.h"
#include "app/core/string_table.h"
#include "app/main_window/frmMain.h"
#include "tests/app/app_fixture.h"

using namespace modMain;

namespace {
void use_language(int16_t lang_id) {
    g().LangID = lang_id;
    SelectLanguage();
}
}  // namespace

using StringTable = AppTest;

TEST_F(StringTable, language_id_selects_the_offset_and_other_values_keep_it) {
    struct Case {
        int16_t lang_id;
        int32_t offset_before, offset_after;
    } cases[] = {{1, 0, 9000}, {2, 9000, 0}, {0, 9000, 9000}, {3, 0, 0}, {-1, 9000, 9000}};
    for (const Case& c : cases) {
        g().LangOffset = c.offset_before;
        use_language(c.lang_id);
        EXPECT_EQ(g().LangOffset, c.offset_after) << "LangID " << c.lang_id;
    }
}

TEST_F(StringTable, holds_every_text_exactly_and_nothing_outside_its_ids) {
    EXPECT_EQ(LoadResString(1050), "Insert channel number from 11 to 26. Insert  0 or 27 for automatic search");
    EXPECT_EQ(LoadResString(10036), "Strighe Ricevute");
    EXPECT_EQ(LoadResString(1059), "Lumaro");
    EXPECT_EQ(LoadResString(10059), "Applicativo Demo");
    EXPECT_EQ(LoadResString(1061), "Coord. Ver.");
    EXPECT_EQ(LoadResString(999), std::nullopt);
    EXPECT_EQ(LoadResString(1062), std::nullopt);
    EXPECT_EQ(LoadResString(10064), std::nullopt);
    int english = 0, italian = 0;
    for (int id = 0; id < 20000; ++id) {
        if (!LoadResString(id)) continue;
        (id < 10000 ? english : italian)++;
    }
    EXPECT_EQ(english, 62);
    EXPECT_EQ(italian, 64);
}

TEST_F(StringTable, serial_error_texts_are_english_in_both_languages) {
    use_language(1);
    EXPECT_EQ(LoadResString(10062), "Serial Initialization Error");
    EXPECT_EQ(LoadResString(10063), "Serial Communication Error");
    EXPECT_EQ(LocString(1058), "Time Out Comando Inviato");
    EXPECT_EQ(LocString(1064), "");
}

using LocalisedCaptions = AppTest;

TEST_F(LocalisedCaptions, main_window_shows_the_captions_of_the_language_of_the_run) {
    struct Case {
        int16_t lang_id;
        const char *title, *save, *add, *mac_header, *total, *file_menu, *help_menu;
    } cases[] = {
        {1, "Applicativo Demo", "Salva Dati", "Aggiungi Dispositivo", "Indirizzo MAC", "Dispositivi Totali", "File", "Aiuto"},
        {2, "Lumaro", "Save Data", "Add Device", "MAC Address", "Total Devices", "File", "Help"},
        {5, "Lumaro", "Save Data", "Add Device", "MAC Address", "Total Devices", "File", "Help"},
    };
    for (const Case& c : cases) {
        modMain::reset();
        use_language(c.lang_id);
        frmMain w;
        EXPECT_EQ(w.windowTitle(), c.title);
        EXPECT_EQ(w.cmdSaveData->text(), c.save);
        EXPECT_EQ(w.cmdAddItem->text(), c.add);
        EXPECT_EQ(w.lblNLstDEVDep->text(), c.mac_header);
        EXPECT_EQ(w.lblTotDevName->text(), c.total);
        EXPECT_EQ(w.mnuFile->title(), c.file_menu);
        EXPECT_EQ(w.help->title(), c.help_menu);
        // Controls without an id keep their designed captions.
        EXPECT_EQ(w.lblNLstDEVKa->text(), "K.A.");
        EXPECT_EQ(w.lblNLstDEVSeq->text(), "N.");
        EXPECT_EQ(w.cmdTst->text(), "Test ON");
    }
}

TEST_F(LocalisedCaptions, labels_and_menus_convert_strictly_other_controls_leniently) {
    use_language(1);
    QWidget window;
    window.setProperty("tag", "1060");
    auto tagged = [&](QWidget* w, const char* tag) {
        w->setProperty("tag", tag);
        return w;
    };
    auto* empty_tag_label = static_cast<QLabel*>(tagged(new QLabel("designed", &window), ""));
    auto* word_tag_label = static_cast<QLabel*>(tagged(new QLabel("designed", &window), "1003a"));
    auto* out_of_range_label = static_cast<QLabel*>(tagged(new QLabel("designed", &window), "41000"));
    auto* unknown_id_label = static_cast<QLabel*>(tagged(new QLabel("designed", &window), "999"));
    auto* label = static_cast<QLabel*>(tagged(new QLabel("designed", &window), " 1010 "));
    auto* frame_zero = static_cast<QGroupBox*>(tagged(new QGroupBox("designed", &window), "0"));
    auto* frame = static_cast<QGroupBox*>(tagged(new QGroupBox("designed", &window), "1033"));
    auto* button = static_cast<QPushButton*>(tagged(new QPushButton("designed", &window), "1003"));
    auto* lenient_button = static_cast<QPushButton*>(tagged(new QPushButton("designed", &window), "1004 - channel"));
    auto* word_button = static_cast<QPushButton*>(tagged(new QPushButton("designed", &window), "Reset"));
    auto* tipped_button = new QPushButton("designed", &window);
    tipped_button->setToolTip("1055 ms");
    auto* text_box = static_cast<QLineEdit*>(tagged(new QLineEdit("typed", &window), "1002"));
    auto* bar = new QMenuBar(&window);
    QMenu* help = bar->addMenu("1023");
    QMenu* word_menu = bar->addMenu("Extra");
    QAction* entry = help->addAction("1022");

    ApplyLocalisedCaptions(&window);

    EXPECT_EQ(window.windowTitle(), "Gestione Dispositivo");
    EXPECT_EQ(empty_tag_label->text(), "designed");
    EXPECT_EQ(word_tag_label->text(), "designed");
    EXPECT_EQ(out_of_range_label->text(), "designed");
    EXPECT_EQ(unknown_id_label->text(), "designed");
    EXPECT_EQ(label->text(), "Canale RF");
    EXPECT_EQ(frame_zero->title(), "designed");
    EXPECT_EQ(frame->title(), "INGRESSI");
    EXPECT_EQ(button->text(), "Aggiungi Dispositivo");
    EXPECT_EQ(button->toolTip(), "");
    EXPECT_EQ(lenient_button->text(), "Cambia Canale RF");
    EXPECT_EQ(word_button->text(), "designed");
    EXPECT_EQ(tipped_button->text(), "designed");
    EXPECT_EQ(tipped_button->toolTip(), "Inserire il Tempo di PING (in millisecondi)");
    EXPECT_EQ(text_box->text(), "typed");
    EXPECT_EQ(help->title(), "Aiuto");
    EXPECT_EQ(word_menu->title(), "Extra");
    EXPECT_EQ(entry->text(), "File");
}

TEST_F(LocalisedCaptions, tabs_toolbar_buttons_and_column_headers_take_ids_strictly) {
    QWidget window;
    auto* tabs = new QTabWidget(&window);
    tabs->addTab(new QWidget, "designed");
    tabs->addTab(new QWidget, "designed");
    tabs->tabBar()->setTabData(0, "1017");
    tabs->tabBar()->setTabToolTip(0, "1021");
    tabs->tabBar()->setTabData(1, "17x");
    auto* bar = new QTabBar(&window);
    bar->addTab("designed");
    bar->setTabData(0, "1016");
    auto* tools = new QToolBar(&window);
    QAction* tool = tools->addAction("designed");
    tool->setToolTip("1039");
    QAction* word_tool = tools->addAction("designed");
    word_tool->setToolTip("Apply");
    auto* table = new QTableView(&window);
    auto* model = new QStandardItemModel(0, 2, table);
    model->setHeaderData(0, Qt::Horizontal, "designed");
    model->setHeaderData(0, Qt::Horizontal, "1012", Qt::UserRole);
    model->setHeaderData(1, Qt::Horizontal, "designed");
    table->setModel(model);
    auto* tree = new QTreeWidget(&window);
    tree->setHeaderLabels({"designed"});
    tree->headerItem()->setData(0, Qt::UserRole, "1015");

    ApplyLocalisedCaptions(&window);

    EXPECT_EQ(ControlKind(tabs), "TabStrip");
    EXPECT_EQ(ControlKind(tabs->tabBar()), "");
    EXPECT_EQ(tabs->tabText(0), "Total Devices");
    EXPECT_EQ(tabs->tabToolTip(0), "Language");
    EXPECT_EQ(tabs->tabText(1), "designed");
    EXPECT_EQ(bar->tabText(0), "Type");
    EXPECT_EQ(tool->toolTip(), "Apply");
    EXPECT_EQ(tool->text(), "designed");
    EXPECT_EQ(word_tool->toolTip(), "Apply");
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "MAC Address");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "designed");
    EXPECT_EQ(tree->headerItem()->text(0), "Device Name");
}
