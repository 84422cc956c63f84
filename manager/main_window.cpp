#include "manager/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "engine/data_module.h"
#include "manager/display_page.h"
#include "manager/field_list_pair.h"
#include "manager/general_page.h"
#include "manager/internal/control_factory.h"
#include "manager/internal/widget_look.h"
#include "manager/schedule_page.h"
#include "manager/upload_worker.h"
#include "manager/window_font.h"

namespace shelvex::manager {

namespace {

constexpr int kClientWidth = 720;
constexpr int kClientHeight = 658;
constexpr int kSideWidth = 150;
constexpr int kServiceInterval = 3000;

}  // namespace

TForm1::TForm1(engine::TDataModule2& module, std::string exe_dir, Prompter& prompter,
               ServiceControlFactory service_control, QWidget* parent)
    : QMainWindow(parent),
      ExeDir(std::move(exe_dir)),
      module_(module),
      prompter_(prompter),
      service_control_(std::move(service_control)) {
  if (!ExeDir.empty() && ExeDir.back() != '/') ExeDir += '/';
  BuildWindow();
  WireHandlers();
  // The service state is polled from the moment the window exists, the login prompt included.
  Timer1->start();
}

TForm1::~TForm1() {
  // The worker uses the engine and reports to this window: it must be over first.
  worker_.reset();
  module_.UpdateStatusProc = nullptr;
}

QPushButton* TForm1::AddSideButton(const char* caption, const char* name, bool large) {
  QPushButton* button = internal::NewButton(caption, name, side_panel_);
  button->setFixedHeight(large ? 34 : 24);
  side_panel_->layout()->addWidget(button);
  return button;
}

void TForm1::BuildWindow() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Lantern Manager"));
  setFont(ChooseWindowFont());

  auto* client = new QWidget(this);
  auto* columns = new QHBoxLayout(client);
  columns->setContentsMargins(6, 6, 6, 0);

  PageControl1 = new QTabWidget(client);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  Schedule = new TSchedulePage(PageControl1);
  General = new TGeneralPage(PageControl1);
  Display = new TDisplayPage(PageControl1);
  Search = new TSearchPage(PageControl1);
  PageControl1->addTab(Schedule, QStringLiteral("Schedule"));
  PageControl1->addTab(General, QStringLiteral("General Server Options"));
  PageControl1->addTab(Display, QStringLiteral("Web Server Display"));
  PageControl1->addTab(Search, QStringLiteral("Search Options"));
  PageControl1->setCurrentIndex(0);
  columns->addWidget(PageControl1, 1);

  side_panel_ = new QWidget(client);
  side_panel_->setFixedWidth(kSideWidth);
  auto* side = new QVBoxLayout(side_panel_);
  side->setContentsMargins(0, 20, 0, 0);
  BitBtn1 = AddSideButton("&Close", "BitBtn1", false);
  BitBtn10 = AddSideButton("Set Password", "BitBtn10", false);
  BitBtn14 = AddSideButton("Save Settings", "BitBtn14", false);
  side->addSpacing(12);
  BitBtn6 = AddSideButton("Web Library Demo", "BitBtn6", true);
  BitBtn9 = AddSideButton("Web Library", "BitBtn9", true);
  BitBtn12 = AddSideButton("Server Status", "BitBtn12", true);
  BitBtn8 = AddSideButton("Start Server", "BitBtn8", true);
  BitBtn7 = AddSideButton("Stop Server", "BitBtn7", true);
  BitBtn3 = AddSideButton("Upload Data Now", "BitBtn3", true);
  BitBtn11 = AddSideButton("Upload Options Now", "BitBtn11", true);
  BitBtn4 = AddSideButton("Start Auto Uploads", "BitBtn4", true);
  BitBtn5 = AddSideButton("Stop Auto Uploads", "BitBtn5", true);
  BitBtn5->setEnabled(false);
  BitBtn13 = AddSideButton("Display Log", "BitBtn13", true);
  Memo1 = new QPlainTextEdit(side_panel_);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  internal::MakeDisplayOnly(Memo1);
  Memo1->setFixedHeight(44);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  side->addWidget(Memo1);
  side->addStretch(1);
  columns->addWidget(side_panel_);
  setCentralWidget(client);

  auto* status_bar = new QStatusBar(this);
  status_bar->setObjectName(QStringLiteral("StatusBar1"));
  status_bar->setSizeGripEnabled(false);
  StatusPanel = new QLabel(status_bar);
  StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
  status_bar->addWidget(StatusPanel, 1);
  ProgressBar1 = new QProgressBar(status_bar);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setFixedWidth(220);
  ProgressBar1->setVisible(false);
  status_bar->addPermanentWidget(ProgressBar1);
  setStatusBar(status_bar);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kServiceInterval);

  // A fixed frame, centred on the screen.
  setFixedSize(kClientWidth, kClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
  }
}

void TForm1::WireHandlers() {
  connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
  connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
  connect(BitBtn4, &QPushButton::clicked, this, &TForm1::BitBtn4Click);
  connect(BitBtn5, &QPushButton::clicked, this, &TForm1::BitBtn5Click);
  connect(BitBtn6, &QPushButton::clicked, this, &TForm1::BitBtn6Click);
  connect(BitBtn7, &QPushButton::clicked, this, &TForm1::BitBtn7Click);
  connect(BitBtn8, &QPushButton::clicked, this, &TForm1::BitBtn8Click);
  connect(BitBtn9, &QPushButton::clicked, this, &TForm1::BitBtn9Click);
  connect(BitBtn10, &QPushButton::clicked, this, &TForm1::BitBtn10Click);
  connect(BitBtn11, &QPushButton::clicked, this, &TForm1::BitBtn11Click);
  connect(BitBtn12, &QPushButton::clicked, this, &TForm1::BitBtn12Click);
  connect(BitBtn13, &QPushButton::clicked, this, &TForm1::BitBtn13Click);
  connect(BitBtn14, &QPushButton::clicked, this, &TForm1::BitBtn14Click);
  connect(Schedule->Button9, &QPushButton::clicked, this, &TForm1::Button9Click);
  connect(Schedule->Button10, &QPushButton::clicked, this, &TForm1::Button10Click);
  // Edit1Change serves the address, port and user boxes alike, typed or set by the program.
  for (QLineEdit* edit : {Schedule->Edit1, Schedule->Edit2, Schedule->Edit3}) {
    connect(edit, &QLineEdit::textChanged, this, &TForm1::Edit1Change);
  }
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

  const struct {
    TFieldListPair* pair;
    void (TForm1::*add)();
    void (TForm1::*remove)();
    void (TForm1::*add_all)();
    void (TForm1::*remove_all)();
  } pairs[] = {
      {Display->Columns, &TForm1::Button1Click, &TForm1::Button2Click, &TForm1::Button3Click,
       &TForm1::Button4Click},
      {Display->Details, &TForm1::Button5Click, &TForm1::Button6Click, &TForm1::Button7Click,
       &TForm1::Button8Click},
      {Display->DetailsPage, &TForm1::Button11Click, &TForm1::Button12Click, &TForm1::Button13Click,
       &TForm1::Button14Click},
      {Search->Keywords, &TForm1::Button15Click, &TForm1::Button16Click, nullptr,
       &TForm1::Button18Click},
  };
  for (const auto& wiring : pairs) {
    connect(wiring.pair->AddButton, &QPushButton::clicked, this, wiring.add);
    connect(wiring.pair->RemoveButton, &QPushButton::clicked, this, wiring.remove);
    if (wiring.add_all != nullptr) {
      connect(wiring.pair->AddAllButton, &QPushButton::clicked, this, wiring.add_all);
    }
    connect(wiring.pair->RemoveAllButton, &QPushButton::clicked, this, wiring.remove_all);
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  // The options belong to the upload until it ends, and a command on this thread may be showing
  // its status texts (which lets events in): the window closes when they are over, asking nothing.
  if (worker_ != nullptr || !isEnabled()) {
    close_pending_ = true;
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

}  // namespace shelvex::manager
