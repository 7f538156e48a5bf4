#include "app/health/frmHealth.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <iterator>

#include "app/core/display_text.h"
#include "app/core/log_line.h"
#include "app/core/mod_main.h"
#include "app/core/saved_settings.h"
#include "app/core/version_info.h"
#include "app/health/health_export.h"
#include "app/health/health_texts.h"
#include "app/health/recording.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/dialogs.h"

using namespace health;

namespace {

constexpr Ds kSpans[] = {kTenMinutes, kOneHour, kWholeSession};
// More curves than this no longer tell apart; the first ones selected are drawn.
constexpr size_t kMostPlotted = 16;

std::string coordinator_digits() {
    std::string digits;
    for (char c : modMain::g().CoordMac)
        if (c != ':') digits += c;
    return digits.empty() ? "network" : digits;
}

void export_to(const char* en_title, const char* it_title, const char* kind,
               const std::function<std::string()>& text_of_file) {
    const QDateTime now = QDateTime::currentDateTime();
    const std::string proposed = QDir::homePath().toStdString() + "/Dalmiro-" + kind + "-" + coordinator_digits() +
                                 "-" + now.toString(QStringLiteral("yyyyMMdd-HHmm")).toStdString() + ".csv";
    const std::string path = platform::dialogs().save_file_name(T(en_title, it_title).toStdString(), proposed);
    if (path.empty()) return;
    if (platform::write_file_atomically(path, text_of_file()))
        modMain::LogLine(T("Written to ", "Scritto in ").toStdString() + path, 4);
    else
        platform::dialogs().message_box(T("Could not write ", "Impossibile scrivere ").toStdString() + path,
                                        modMain::kAppTitle);
}

}  // namespace

namespace health {

QColor SeriesColour(size_t k) {
    // Hues spread by the golden angle stay apart however many are taken.
    return QColor::fromHsv(static_cast<int>((k * 137 + 210) % 360), 220, k % 2 ? 170 : 210);
}

frmHealth& ShowHealthWindow(QWidget* parent) {
    frmHealth* w = modMain::windows().health;
    if (!w) w = new frmHealth(parent);
    w->show();
    w->raise();
    w->activateWindow();
    return *w;
}

}  // namespace health

frmHealth::frmHealth(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmHealth"));
    setWindowTitle(T("Network health", "Salute della rete"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1000, 680);

    cboSpan = new QComboBox(this);
    cboSpan->addItems({T("Last 10 minutes", "Ultimi 10 minuti"), T("Last hour", "Ultima ora"),
                       T("Whole session", "Intera sessione")});
    spnWeak = new QSpinBox(this);
    spnWeak->setRange(0, 255);
    const int weak = modMain::ReadSettingInRange(modMain::Setting::HealthWeakLqi, 0, 255);
    spnWeak->setValue(weak);
    model.SetWeakThreshold(weak);
    cmdExportTable = new QPushButton(T("Export table…", "Esporta tabella…"), this);
    cmdExportHistory = new QPushButton(T("Export history…", "Esporta storico…"), this);

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(T("Span:", "Intervallo:"), this));
    controls->addWidget(cboSpan);
    controls->addSpacing(16);
    controls->addWidget(new QLabel(T("Weak link below LQI:", "Collegamento debole sotto LQI:"), this));
    controls->addWidget(spnWeak);
    controls->addStretch(1);
    controls->addWidget(cmdExportTable);
    controls->addWidget(cmdExportHistory);

    lstHealth = new QTableView(this);
    lstHealth->setModel(&model);
    lstHealth->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstHealth->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstHealth->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstHealth->verticalHeader()->hide();
    // Rows of one fixed height: the view finds the rows in sight without measuring the others.
    lstHealth->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lstHealth->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    lstHealth->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    lstHealth->horizontalHeader()->setStretchLastSection(true);
    lstHealth->setSortingEnabled(true);
    lstHealth->sortByColumn(HealthTableModel::kNumber, Qt::AscendingOrder);
    const int columns_width = SizeColumns();

    picPlot = new TimePlot(TimePlot::Style::Axes, this);
    picPlot->setMinimumHeight(180);
    picPlot->SetValueRange(0, 255);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(lstHealth);
    split->addWidget(picPlot);
    split->setSizes({400, 260});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(split, 1);
    // Wide enough for every column beside the scroll bar that many rows bring.
    const QMargins margins = layout->contentsMargins();
    const int table_width = columns_width + 2 * lstHealth->frameWidth() +
                            lstHealth->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lstHealth);
    resize(std::max(width(), table_width + margins.left() + margins.right()), height());

    connect(cboSpan, &QComboBox::currentIndexChanged, this, [this] { tmrHealth_Timer(); });
    connect(spnWeak, &QSpinBox::valueChanged, this, [this](int v) {
        model.SetWeakThreshold(v);
        modMain::SaveSetting(modMain::Setting::HealthWeakLqi, v);
    });
    connect(cmdExportTable, &QPushButton::clicked, this, [this] { cmdExportTable_Click(); });
    connect(cmdExportHistory, &QPushButton::clicked, this, [this] { cmdExportHistory_Click(); });
    connect(lstHealth->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdatePlot(); });
    connect(&model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { kept_selection_ = SelectedDevices(); });
    connect(&model, &QAbstractItemModel::modelReset, this, [this] {
        QItemSelection again;
        for (int row = 0; row < model.rowCount(); ++row)
            if (std::find(kept_selection_.begin(), kept_selection_.end(), model.Row(row).mac) != kept_selection_.end())
                again.select(model.index(row, 0), model.index(row, HealthTableModel::kColumns - 1));
        lstHealth->selectionModel()->select(again, QItemSelectionModel::Select);
        kept_selection_.clear();
    });

    tmrHealth.set_interval(kRefreshMs);
    tmrHealth.set_on_tick([this] { tmrHealth_Timer(); });
    modMain::windows().health = this;
    tmrHealth_Timer();
}

frmHealth::~frmHealth() {
    if (modMain::windows().health == this) modMain::windows().health = nullptr;
}

int frmHealth::SizeColumns() {
    // The widest text each column usually holds (the name column keeps room for a long name); the title
    // with its sort mark may be wider still.
    const QFontMetrics fm = lstHealth->fontMetrics();
    const auto widest = [&fm](std::initializer_list<QString> texts) {
        int w = 0;
        for (const QString& t : texts) w = std::max(w, fm.horizontalAdvance(t));
        return w;
    };
    const int text_width[] = {widest({QStringLiteral("32000")}), widest({QString(24, QLatin1Char('n'))}),
                              widest({QStringLiteral("End Device"), QStringLiteral("Coordinator")}),
                              widest({StatusText(0), StatusText(1), StatusText(2)}), widest({QStringLiteral("255")}),
                              widest({QStringLiteral("255")}), widest({QStringLiteral("255.0")}),
                              widest({QStringLiteral("100 %")}), widest({QStringLiteral("23 h 59 min")}),
                              widest({QStringLiteral("999.9")})};
    static_assert(std::size(text_width) == HealthTableModel::kColumns, "one width a column");
    QHeaderView* header = lstHealth->horizontalHeader();
    // Room the cell keeps around its text: the focus frame's margins and a little air.
    const int padding = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, lstHealth) + 1) + 8;
    int total = 0;
    for (int c = 0; c < HealthTableModel::kColumns; ++c) {
        const int w = std::max(header->sectionSizeHint(c), text_width[c] + padding);
        lstHealth->setColumnWidth(c, w);
        total += w;
    }
    return total;
}

void frmHealth::showEvent(QShowEvent* event) {
    tmrHealth.set_enabled(true);
    tmrHealth_Timer();
    QWidget::showEvent(event);
}

void frmHealth::hideEvent(QHideEvent* event) {
    tmrHealth.set_enabled(false);
    QWidget::hideEvent(event);
}

Ds frmHealth::ChosenSpan() const { return kSpans[std::clamp(cboSpan->currentIndex(), 0, 2)]; }

void frmHealth::tmrHealth_Timer() {
    History& h = history();
    model.Refresh(h, h.At(platform::now_ms()), ChosenSpan());
    UpdatePlot();
}

std::vector<uint64_t> frmHealth::SelectedDevices() const {
    std::vector<uint64_t> macs;
    QModelIndexList rows = lstHealth->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& i : rows) macs.push_back(model.Row(i.row()).mac);
    return macs;
}

void frmHealth::UpdatePlot() {
    const History& h = history();
    const Ds now = model.Now();
    const Ds span = ChosenSpan();
    const Ds from = SpanStart(now, span);
    // Until the session has lasted a whole span the axis keeps the span's width, so it does not stretch.
    const Ds to = span == kWholeSession ? std::max<Ds>(now, 1) : std::max(now, from + span);
    std::vector<PlotSeries> series;
    QModelIndexList rows = lstHealth->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& i : rows) {
        if (series.size() == kMostPlotted) break;
        const HealthRow& r = model.Row(i.row());
        PlotSeries s;
        s.label = QString::number(r.slot) + QLatin1Char(' ') +
                  (r.name.empty() ? modMain::Display(r.mac_text) : modMain::Display(r.name));
        s.colour = SeriesColour(series.size());
        for (const PingSample& p : h.Pings(r.mac, from)) s.points.push_back({p.t, double(p.lqi), !p.answered});
        series.push_back(std::move(s));
    }
    picPlot->SetSpan(from, to);
    picPlot->SetSeries(std::move(series));
}

void frmHealth::cmdExportTable_Click() {
    export_to("Export network health", "Esporta salute della rete", "health",
              [this] { return HealthTableCsv(model, QDateTime::currentDateTime()); });
}

void frmHealth::cmdExportHistory_Click() {
    export_to("Export link history", "Esporta storico dei collegamenti", "history", [this] {
        return HealthHistoryCsv(model, history(), SpanStart(model.Now(), ChosenSpan()), QDateTime::currentDateTime());
    });
}
