// TForm1: construction of the frame (layout, menus, tool bar), start-up, shutdown, the
// mode label, the stop command and the frame's own commands.
#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>
#include <stdexcept>

#include "app/folder_logic.h"
#include "app/folder_tree.h"
#include "app/image_list.h"
#include "app/message_logic.h"
#include "app/message_model.h"
#include "app/qt_text.h"
#include "store/account_file.h"
#include "store/settings.h"
#include "store/startup.h"

namespace app {

namespace {

QString Rgb(int r, int g, int b) {
  return QStringLiteral("background-color: rgb(%1, %2, %3);").arg(r).arg(g).arg(b);
}

}  // namespace

TForm1::TForm1(std::filesystem::path app_dir, platform::UiServices& ui,
               HtmlPaneFactory html_factory, QWidget* parent)
    : QMainWindow(parent),
      state_(std::move(app_dir)),
      ui_(ui),
      html_factory_(std::move(html_factory)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Yubinko"));
  setWindowIcon(ImageListIcon(kImgReceive));
  BuildLayout();
  BuildMenus();
  BuildToolBar();
  // The window sees every key before its controls do (Escape is the stop key), and the
  // pointer over the body viewer.
  qApp->installEventFilter(this);
  FormCreate();
}

TForm1::~TForm1() {
  qApp->removeEventFilter(this);
  FormDestroy();
}

QAction* TForm1::action(const QString& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

void TForm1::WireCommand(std::initializer_list<const char*> action_names,
                         std::function<void()> handler) {
  auto shared = std::make_shared<std::function<void()>>(std::move(handler));
  for (const char* name : action_names) {
    QAction* a = action(QString::fromLatin1(name));
    if (a == nullptr) throw std::logic_error(std::string("no action named ") + name);
    a->setEnabled(true);
    connect(a, &QAction::triggered, this, [this, shared] { Guarded(*shared); });
  }
}

bool TForm1::Guarded(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& e) {
    // Error texts carry native (UTF-8) file names or Shift_JIS messages; the box takes Shift_JIS.
    ui_.ShowError(platform::ErrorTextToSjis(e.what()));
    return false;
  }
}

QAction* TForm1::MakeAction(const char* name, const char* caption, void (TForm1::*handler)()) {
  auto* a = new QAction(QString::fromUtf8(caption), this);
  a->setObjectName(QString::fromLatin1(name));
  actions_[a->objectName()] = a;
  if (handler != nullptr) WireCommand({name}, [this, handler] { (this->*handler)(); });
  return a;
}

// Commands whose work belongs to the receive, deletion-mode, composer, account, address-book,
// rule and new-mail parts of the program: they stand in the menus and are not wired yet.
QAction* TForm1::Unwired(const char* name, const char* caption) {
  QAction* a = MakeAction(name, caption, nullptr);
  a->setEnabled(false);
  return a;
}

void TForm1::BuildLayout() {
  resize(602, 580);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  outer_split_ = new QSplitter(Qt::Vertical, this);
  outer_split_->setObjectName(QStringLiteral("Splitter3"));
  outer_split_->setHandleWidth(8);
  outer_split_->setChildrenCollapsible(false);
  setCentralWidget(outer_split_);

  // Top panel: tool bar over the two trees and the message list.
  panel_top_ = new QWidget(outer_split_);
  panel_top_->setObjectName(QStringLiteral("Panel1"));
  auto* top_layout = new QVBoxLayout(panel_top_);
  top_layout->setContentsMargins(0, 0, 0, 0);
  top_layout->setSpacing(0);
  tool_bar_ = new QToolBar(panel_top_);
  tool_bar_->setObjectName(QStringLiteral("ToolBar1"));
  tool_bar_->setFixedHeight(30);
  tool_bar_->setIconSize(QSize(16, 16));
  top_layout->addWidget(tool_bar_);

  auto* top_split = new QSplitter(Qt::Horizontal, panel_top_);
  top_split->setObjectName(QStringLiteral("Splitter1"));
  top_split->setChildrenCollapsible(false);
  top_layout->addWidget(top_split, 1);

  auto* tree_split = new QSplitter(Qt::Vertical, top_split);
  tree_split->setObjectName(QStringLiteral("Splitter2"));
  tree_split->setChildrenCollapsible(false);
  tree1_ = new FolderTree(tree_split);
  tree1_->setObjectName(QStringLiteral("TreeView1"));
  tree1_->setHeaderHidden(true);
  tree1_->setStyleSheet(QStringLiteral("QTreeWidget { background-color: rgb(255, 251, 240); }"));
  tree1_->setContextMenuPolicy(Qt::ActionsContextMenu);
  tree1_->setEditTriggers(QAbstractItemView::NoEditTriggers);  // labels name directories
  // Names with their counts are shown whole; a long one scrolls instead of being cut.
  tree1_->header()->setStretchLastSection(false);
  tree1_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  StyleTreeSelection(tree1_);
  tree2_ = new QTreeWidget(tree_split);
  tree2_->setObjectName(QStringLiteral("TreeView2"));
  tree2_->setHeaderHidden(true);
  tree2_->setMinimumHeight(40);
  tree2_->setBackgroundRole(QPalette::Button);
  tree2_->setStyleSheet(QStringLiteral("QTreeWidget { background-color: palette(button); }"));
  tree2_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StyleTreeSelection(tree2_);
  tree_split->setSizes({150, 50});

  model_ = new MessageModel(ImageListIcon(kImgAttachment), ImageListIcon(kImgNoAttachment), this);
  list_ = new QTableView(top_split);
  list_->setObjectName(QStringLiteral("ListView1"));
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setShowGrid(true);
  list_->setWordWrap(false);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
  list_->horizontalHeader()->setSectionsClickable(true);
  list_->horizontalHeader()->setHighlightSections(false);
  list_->setDragEnabled(true);
  list_->setDragDropMode(QAbstractItemView::DragOnly);
  list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  const int widths[] = {300, 200, 80, 80, 80, 80, 80};
  for (int i = 0; i < 7; ++i) list_->setColumnWidth(i, widths[i]);
  tree1_->SetDragSource(list_);
  top_split->setSizes({150, 452});
  top_split->setStretchFactor(1, 1);

  // Middle panel: the body viewer; the HTML view joins it on first use.
  panel_middle_ = new QWidget(outer_split_);
  panel_middle_->setObjectName(QStringLiteral("Panel2"));
  panel_middle_->setMinimumHeight(100);
  auto* mid_layout = new QVBoxLayout(panel_middle_);
  mid_layout->setContentsMargins(0, 0, 0, 0);
  body_ = new QTextEdit(panel_middle_);
  body_->setObjectName(QStringLiteral("memBody"));
  body_->setAcceptRichText(false);
  body_->setLineWrapMode(QTextEdit::NoWrap);
  body_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  body_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  body_->setContextMenuPolicy(Qt::ActionsContextMenu);
  body_->viewport()->setMouseTracking(true);
  mid_layout->addWidget(body_);

  lower_split_ = new QSplitter(Qt::Vertical, outer_split_);
  lower_split_->setObjectName(QStringLiteral("Splitter4"));
  lower_split_->setHandleWidth(7);
  lower_split_->setChildrenCollapsible(false);
  panel_middle_->setParent(lower_split_);
  lower_split_->addWidget(panel_middle_);

  // Bottom panel: attachment list over the two-panel status bar.
  panel_bottom_ = new QWidget(lower_split_);
  panel_bottom_->setObjectName(QStringLiteral("Panel3"));
  panel_bottom_->setMinimumHeight(40);
  auto* bottom_layout = new QVBoxLayout(panel_bottom_);
  bottom_layout->setContentsMargins(0, 0, 0, 0);
  bottom_layout->setSpacing(0);
  attachments_ = new QListWidget(panel_bottom_);
  attachments_->setObjectName(QStringLiteral("ListBox1"));
  attachments_->setContextMenuPolicy(Qt::ActionsContextMenu);
  bottom_layout->addWidget(attachments_, 1);
  auto* status = new QStatusBar(panel_bottom_);
  status->setObjectName(QStringLiteral("StatusBar1"));
  status->setSizeGripEnabled(false);
  status1_ = new QLabel(status);
  status1_->setObjectName(QStringLiteral("StatusPanel0"));
  status1_->setFixedWidth(350);
  status2_ = new QLabel(status);
  status2_->setObjectName(QStringLiteral("StatusPanel1"));
  status2_->setMinimumWidth(50);
  status->addWidget(status1_);
  status->addWidget(status2_, 1);
  bottom_layout->addWidget(status);

  outer_split_->addWidget(panel_top_);
  outer_split_->addWidget(lower_split_);
  outer_split_->setStretchFactor(1, 1);
  lower_split_->setStretchFactor(0, 1);
  // Heights: top 240, middle the rest, bottom 89 (menu bar and handles taken out).
  outer_split_->setSizes({240, 580 - 240 - 8});
  lower_split_->setSizes({580 - 240 - 8 - 7 - 89, 89});

  connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int section) { Guarded([this, section] { ListView1ColumnClick(section); }); });
  connect(list_, &QTableView::clicked, this, [this] { Guarded([this] { ListView1Click(); }); });
  connect(tree1_, &QTreeWidget::itemClicked, this,
          [this] { Guarded([this] { TreeView1Click(); }); });
  connect(tree2_, &QTreeWidget::itemClicked, this,
          [this] { Guarded([this] { TreeView2Click(); }); });
  connect(attachments_, &QListWidget::itemDoubleClicked, this,
          [this] { Guarded([this] { mnuDirectExeClick(); }); });
  tree1_->accepts_drop = [this](QTreeWidgetItem* item) { return AcceptsDropOn(item); };
  tree1_->on_drop = [this](QTreeWidgetItem* item) {
    Guarded([this, item] { TreeView1DragDrop(item); });
  };
}

void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));

  QMenu* file = bar->addMenu(QU("ファイル"));
  file->addAction(Unwired("mnuNewMail", "メールの作成"));
#ifdef YUBINKO_HAVE_EML_VIEW
  file->addAction(MakeAction("N9", "ファイルを開く", &TForm1::N9Click));
#else
  file->addAction(Unwired("N9", "ファイルを開く"));
#endif
  file->addAction(MakeAction("N10", "ファイルを保存する", &TForm1::N10Click));
  file->addAction(MakeAction("mnuPrint", "印刷", &TForm1::mnuPrintClick));
  file->addSeparator();
  file->addAction(MakeAction("mnuCut", "切断", &TForm1::StopCommand));
  file->addAction(MakeAction("mnuEND", "終了", &TForm1::mnuENDClick));

  QMenu* edit = bar->addMenu(QU("編集"));
  edit->addAction(Unwired("mnuDelMode", "メール削除モード開始"));
  edit->addAction(Unwired("mnuDelDecide", "メール削除決定"));
  edit->addAction(MakeAction("mnuDelModeEnd", "メール削除モード解除", &TForm1::StopCommand));
  edit->addAction(Unwired("mnuDelByNumber", "メール番号で削除"));
  edit->addSeparator();
  auto clipboard = [this](const char* name, const char* caption, QKeySequence key,
                          const char* slot) {
    QAction* a = MakeAction(name, caption, nullptr);
    a->setShortcut(key);
    WireCommand({name}, [slot] {
      if (QWidget* w = QApplication::focusWidget()) QMetaObject::invokeMethod(w, slot);
    });
    return a;
  };
  edit->addAction(clipboard("mnuCopy", "コピー", QKeySequence::Copy, "copy"));
  edit->addAction(clipboard("mnuCutText", "切り取り", QKeySequence::Cut, "cut"));
  edit->addAction(clipboard("mnuPaste", "貼り付け", QKeySequence::Paste, "paste"));
  edit->addSeparator();
  edit->addAction(
      MakeAction("mnuLocalMailDel", "ローカルメール削除", &TForm1::mnuLocalMailDelClick));

  QMenu* search = bar->addMenu(QU("検索"));
  search->addAction(MakeAction("mnuFilter", "メールの抽出", &TForm1::mnuFilterClick));
  QAction* find = MakeAction("mnuSearchr", "ﾒｰﾙの検索", &TForm1::mnuSearchrClick);
  find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  search->addAction(find);
  QAction* next = MakeAction("mnuSearchNext", "次を検索", &TForm1::mnuSearchNextClick);
  next->setShortcut(QKeySequence(Qt::Key_F3));
  search->addAction(next);
  search->addAction(MakeAction("mnuBodySearch", "メール本文検索", &TForm1::mnuBodySearchClick));

  QMenu* view = bar->addMenu(QU("表示"));
  view->addAction(MakeAction("HTML1", "HTML表示", &TForm1::HTML1Click));
  view->addAction(MakeAction("N33", "テキスト表示(標準)", &TForm1::N33Click));
  view->addSeparator();
  view->addAction(MakeAction("N34", "関連付け表示", &TForm1::N34Click));
  view->addSeparator();
  auto* sort_group = new QActionGroup(this);
  struct SortItem {
    const char* name;
    const char* caption;
    int tag;
  };
  const SortItem sorts[] = {{"mnuSortUnread", "未読順", 6},
                            {"mnuSortAttach", "添付ファイル付き順", 5},
                            {"mnuSortNew", "更新日順", 2},
                            {"mnuSortSubject", "件名順", 0},
                            {"mnuSortFrom", "差出人順", 1}};
  for (const SortItem& s : sorts) {
    QAction* a = MakeAction(s.name, s.caption, nullptr);
    a->setCheckable(true);
    a->setChecked(s.tag == 2);
    a->setData(s.tag);
    sort_group->addAction(a);
    WireCommand({s.name}, [this, tag = s.tag] { mnuSortNewClick(tag); });
    view->addAction(a);
  }
  view->addSeparator();
  view->addAction(MakeAction("N17", "標準サイズへ", &TForm1::N17Click));
  view->addAction(MakeAction("mnuToMidoku", "未読に戻す", &TForm1::mnuToMidokuClick));

  QMenu* mail = bar->addMenu(QU("送受信"));
  mail->addAction(Unwired("mnuRecieve", "受信"));
  mail->addAction(MakeAction("mnuRecieveStop", "受信停止", &TForm1::StopCommand));
  mail->addAction(Unwired("mnuSend", "送信"));
  mail->addAction(Unwired("mnuReply", "返信"));
  mail->addAction(Unwired("mnuForward", "転送"));

  QMenu* settings = bar->addMenu(QU("設定"));
  settings->addAction(Unwired("mnuAccount", "アカウント"));
  settings->addAction(Unwired("mnuAddress", "アドレス帳編集"));
  settings->addAction(Unwired("mnuRule", "メッセージルール"));
  settings->addAction(Unwired("mnuNewCheck", "新着チェック"));

  QMenu* help = bar->addMenu(QU("ヘルプ"));
  help->addAction(MakeAction("N15", "使用方法", &TForm1::N15Click));
  help->addAction(MakeAction("N32", "バージョン情報", &TForm1::N32Click));

  // Pop-up menus.
  attachments_->addAction(MakeAction("N11", "名前を付けて保存", &TForm1::N11Click));
  attachments_->addAction(MakeAction("mnuDirectExe", "直接実行", &TForm1::mnuDirectExeClick));

  tree1_->addAction(MakeAction("N23", "フォルダ作成", &TForm1::N23Click));
  tree1_->addAction(MakeAction("N21", "フォルダ削除", &TForm1::N21Click));
  tree1_->addAction(MakeAction("N46", "フォルダ内メール全削除", &TForm1::N46Click));

  list_->addAction(
      MakeAction("mnuPopLocalMailDel", "ローカルメール削除", &TForm1::mnuLocalMailDelClick));
  auto* sep1 = new QAction(this);
  sep1->setSeparator(true);
  list_->addAction(sep1);
  list_->addAction(Unwired("mnuPopDelMode", "メール削除モードへ"));
  list_->addAction(Unwired("mnuPopDelDecide", "メール削除決定"));
  list_->addAction(Unwired("mnuPopDelModeEnd", "メール削除モード解除"));
  auto* sep2 = new QAction(this);
  sep2->setSeparator(true);
  list_->addAction(sep2);
  auto* colour_menu = new QMenu(QU("着色"), this);
  colour_menu->setObjectName(QStringLiteral("mnuColor"));
  struct ColourItem {
    const char* name;
    const char* caption;
    int tag;
  };
  const ColourItem colours[] = {{"mnuColorRed", "赤", 3},    {"mnuColorBlue", "青", 4},
                                {"mnuColorGreen", "緑", 5},  {"mnuColorPink", "ピンク", 6},
                                {"mnuColorAqua", "水色", 7}, {"mnuColorBlack", "標準(黒)", 2}};
  for (const ColourItem& c : colours) {
    QAction* a = MakeAction(c.name, c.caption, nullptr);
    a->setData(c.tag);
    WireCommand({c.name}, [this, tag = c.tag] { mnuColorClick(tag); });
    colour_menu->addAction(a);
  }
  list_->addAction(colour_menu->menuAction());
  list_->addAction(MakeAction("mnuPopToMidoku", "未読に戻す", &TForm1::mnuToMidokuClick));

  body_->addAction(action(QStringLiteral("mnuCopy")));
  body_->addAction(action(QStringLiteral("mnuCutText")));
  body_->addAction(action(QStringLiteral("mnuPaste")));
  body_->addAction(MakeAction("mnuPopBodySearch", "検索", &TForm1::mnuBodySearchClick));
}

void TForm1::BuildToolBar() {
  auto button = [this](const char* name, const char* hint, int image, void (TForm1::*handler)()) {
    QAction* a = handler != nullptr ? MakeAction(name, hint, handler) : Unwired(name, hint);
    a->setIcon(ImageListIcon(image));
    a->setToolTip(QString::fromUtf8(hint));
    tool_bar_->addAction(a);
  };
  button("tbEND", "終了", kImgExit, &TForm1::mnuENDClick);
  tool_bar_->addSeparator();
  button("tbSearch", "ﾒｰﾙの件名で検索", kImgSearch, &TForm1::mnuSearchrClick);
  button("tbRecieve", "受信", kImgReceive, nullptr);
  button("tbNew", "新規作成", kImgNewMessage, nullptr);
  button("tbReply", "返信", kImgReply, nullptr);
  button("tbForward", "転送", kImgForward, nullptr);
  tool_bar_->addSeparator();
  button("tbDelMode", "メール削除モード", kImgDeletionMode, nullptr);
  button("tbStop", "中止", kImgStop, &TForm1::StopCommand);
  button("tbLocalDel", "メール削除", kImgLocalDelete, &TForm1::mnuLocalMailDelClick);
  button("tbAccount", "アカウント設定", kImgAccount, nullptr);
  button("tbAddress", "アドレス帳編集", kImgAddressBook, nullptr);
  tool_bar_->addSeparator();
  auto* mode_caption = new QLabel(QU("ﾓｰﾄﾞ："), tool_bar_);
  tool_bar_->addWidget(mode_caption);
  mode_label_ = new QLabel(tool_bar_);
  mode_label_->setObjectName(QStringLiteral("LblMode"));
  mode_label_->setMinimumWidth(40);
  mode_label_->setAlignment(Qt::AlignCenter);
  tool_bar_->addWidget(mode_label_);
  auto* gap = new QLabel(QStringLiteral("  "), tool_bar_);
  tool_bar_->addWidget(gap);
  account_label_ = new QLabel(tool_bar_);
  account_label_->setObjectName(QStringLiteral("LblAccount"));
  tool_bar_->addWidget(account_label_);
}

void TForm1::SetMode(const std::string& text, int r, int g, int b) {
  mode_label_->setText(Q(text));
  mode_label_->setStyleSheet(Rgb(r, g, b));
}

QString TForm1::ModeText() const { return mode_label_->text(); }

QString TForm1::StatusText(int panel) const {
  return panel == 0 ? status1_->text() : status2_->text();
}

void TForm1::SetStatusText(int panel, const QString& text) {
  (panel == 0 ? status1_ : status2_)->setText(text);
}

void TForm1::FormCreate() {
  static const std::string kNormal = platform::Sjis("通常");
  state_.standard_bottom_height = 89;
  state_.standard_top_height = 240;
  state_.standard_window_height = 580;
  SetMode(kNormal, 0, 255, 255);
  state_.deletion_mode = state_.sent_view = state_.extraction_view = false;
  state_.AccountPosition = 1;
  for (int c = 4; c < 7; ++c) list_->setColumnHidden(c, true);

  // Every step that touches the store runs under the guard on its own: a file that cannot
  // be read or written shows its error, and the window still opens with what could be
  // loaded instead of the program ending before it appears.
  Guarded([this] { store::LoadSentIndex(state_.fs, state_.sent_index.store_list()); });
  settings_read_ = Guarded([this] {
    state_.CurrentAccountName = store::LoadCurrentAccountName(state_.fs).value_or("");
  });
  const bool accounts_read =
      Guarded([this] { state_.AccountList = store::LoadAccountList(state_.fs); });
  OpenStartAccount(accounts_read);

  auto* sent = new QTreeWidgetItem(tree2_, QStringList(Q(SentRoot())));
  sent->setIcon(0, ImageListIcon(kImgFolderClosed));
  tree1_->setFocus();
}

void TForm1::OpenStartAccount(bool accounts_read) {
  const int first = store::FirstAccountPosition(state_.AccountList);
  if (first == 0) {
    // A missing Account.ini, or one without an account line, leaves no account to start
    // with. An unreadable one has had its error shown already.
    if (accounts_read) {
      ui_.ShowInformation(
          platform::Sjis("アカウントが設定されていません。\r\n\r\n"
                         "メニューバーの「設定」－「アカウント」で設定してください。"));
    }
    state_.current_folder.clear();
    Guarded([this] { BuildFolderTree(); });
    return;
  }
  const int named = store::FindAccountPosition(state_.AccountList, state_.CurrentAccountName);
  state_.AccountPosition = named > 0 ? named : first;
  const std::string account = store::AccountNameAt(state_.AccountList, state_.AccountPosition);
  SetAccountLabel(account);

  // The account folder is made before the tree is built, so a new account's folder has its
  // node (and count) at once and local delete accepts its mail.
  bool index_existed = false;
  Guarded([this, &account, &index_existed] {
    store::AccountFolderState folder = store::PrepareAccountFolder(
        state_.fs, account, state_.received_keys.store_list(), state_.folder_index.store_list());
    state_.current_folder = folder.current_folder;
    state_.account_dir = folder.current_folder;
    index_existed = folder.folder_index_existed;
  });
  Guarded([this, &account] {
    BuildFolderTree();
    // The node named like the account; when several are, the last one in the tree.
    QTreeWidgetItem* selected = tree1_->topLevelItem(0);
    for (QTreeWidgetItemIterator it(tree1_); *it; ++it) {
      if (S((*it)->text(0).section(QLatin1Char('\t'), 0, 0)) == account) selected = *it;
    }
    tree1_->setCurrentItem(selected);
  });
  if (index_existed) {
    state_.sort_state = -3;
    FillList(state_.folder_index.lines());
  }
}

void TForm1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  // Each step on its own: a failed save (a full disk) is shown and the others still run,
  // so the window finishes closing with everything saved that could be.
  Guarded([this] {
    if (state_.POP.IsConnected()) state_.POP.Disconnect();
  });
  Guarded([this] { store::SaveAccountList(state_.fs, state_.AccountList); });
  // A settings file that could not be read is not overwritten with a name never read from it.
  if (settings_read_ || !state_.CurrentAccountName.empty()) {
    Guarded([this] { store::SaveCurrentAccountName(state_.fs, state_.CurrentAccountName); });
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  state_.abort = true;  // closing is always allowed
  event->accept();
  FormDestroy();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    auto* w = qobject_cast<QWidget*>(watched);
    if (key->key() == Qt::Key_Escape && w != nullptr && w->window() == this) {
      Guarded([this] { StopCommand(); });
      return true;
    }
  }
  if (watched == body_->viewport()) {
    if (event->type() == QEvent::MouseMove) {
      memBodyMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
    } else if (event->type() == QEvent::MouseButtonPress) {
      memBodyMouseDown();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::StopCommand() {
  static const std::string kNormal = platform::Sjis("通常");
  state_.abort = true;
  ui_.EnableTimer(false);  // stops the periodic new-mail check
  if (state_.POP.IsConnected()) state_.POP.Disconnect();
  state_.deletion_mode = false;
  state_.extraction_view = false;
  SetMode(kNormal, 0, 255, 255);
  // The sent view keeps its state, so it keeps showing the sent index: folder rows under the
  // sent-view flag would send colour and delete commands to the wrong index.
  if (state_.sent_view) {
    FillList(state_.sent_index.lines(), false);
  } else {
    FillList(state_.folder_index.lines());
  }
  SetStatusText(1, QString());
  for (const auto& handler : stop_handlers_) handler();
}

void TForm1::SetStatus(int panel, const std::string& text) { SetStatusText(panel, Q(text)); }

void TForm1::SetAccountLabel(const std::string& account_name) {
  account_label_->setText(QU("ｱｶｳﾝﾄ:") + Q(account_name));
}

void TForm1::mnuENDClick() {
  if (state_.POP.IsConnected()) state_.POP.Disconnect();
  close();
}

void TForm1::N15Click() {
  // The help page ships beside the program (the install and the build tree both put it there)
  // and opens in the desktop's browser; failures are not reported.
  ui_.ShellOpen((state_.fs.AppDir() / "Yubinko.html").string());
}

void TForm1::N32Click() { ui_.ShowInformation("Yubinko Ver1.1"); }

void TForm1::N17Click() {
  // The window keeps its width; the three heights go back to those of this start.
  resize(width(), state_.standard_window_height);
  const int total = outer_split_->height();
  outer_split_->setSizes({state_.standard_top_height, total - state_.standard_top_height});
  const int lower = lower_split_->height();
  lower_split_->setSizes({lower - state_.standard_bottom_height, state_.standard_bottom_height});
}

}  // namespace app
