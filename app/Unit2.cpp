#include "app/Unit2.h"

#include <commctrl.h>

#include <utility>

#include "app/messages.h"
#include "app/version.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profiles/discovery.h"

namespace ferrowin {

namespace {

HFONT MakeFont(int pixelHeight, int weight) {
  return CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
}

constexpr int kWindowWidth = 750;
constexpr int kWindowHeight = 550;
constexpr const char* kDesignedCaption = "Marrowby's Ferrowin";

}  // namespace

TfrmMain::TfrmMain(Application& application, FormOptions options)
    : Form(application), options_(std::move(options)) {}

// The count's thread posts to the window: it is stopped before the window goes.
TfrmMain::~TfrmMain() {
  counter_.Stop();
  DestroyFrame();
}

void TfrmMain::Create() {
  Load();
  FormCreate(this);
}

void TfrmMain::Load() {
  font_.Reset(MakeFont(11, FW_NORMAL));
  boldFont10_.Reset(MakeFont(13, FW_BOLD));
  boldFont8_.Reset(MakeFont(11, FW_BOLD));
  CreateFrame(FERROWIN_MAIN_WINDOW_CLASS, kWindowWidth, kWindowHeight);
  SetCaption(kDesignedCaption);
  LoadLayout({font_.Get(), boldFont10_.Get(), boldFont8_.Get()});
}

void TfrmMain::Show() {
  ShowWindow(Handle(), SW_SHOWNORMAL);
  // The keyboard starts on the first control of the page that can take it:
  // Next, once the start-up checks have enabled it.
  if (HWND first = GetNextDlgTabItem(PageControl1.ActivePage()->Handle(), nullptr, FALSE)) SetFocus(first);
  UpdateWindow(Handle());
}

// --- Start-up ----------------------------------------------------------------

void TfrmMain::FormCreate(EventSource*) {
  programVersion = kProgramVersion;
  SetCaption(Caption() + " - version " + std::to_string(programVersion));
  StartVersionCheck();
  if (options_.firstArgument != "/debug") {
    for (int i = 0; i < PageControl1.PageCount(); ++i) PageControl1.SetTabVisible(PageControl1.Page(i), false);
  }
  PageControl1.SetActivePageIndex(0);
  CheckEnvironment();
  switch (EnvironmentFacts{.majorVersion = osMajorVersion, .isAdmin = isAdmin}.Refused()) {
    case EnvironmentFacts::Refusal::WrongWindows: lblNotWin7.SetVisible(true); break;
    case EnvironmentFacts::Refusal::NotAdmin: lblWin7Admin.SetVisible(true); break;
    case EnvironmentFacts::Refusal::None: cmdNext0.SetEnabled(true); break;
  }
  formCreated_ = true;
  if (versionNoticePending_) ShowNewVersionNotice();
}

void TfrmMain::CheckEnvironment() {
  isAdmin = false;
  const EnvironmentFacts facts = ferrowin::CheckEnvironment(options_.environment);
  if (!facts.majorVersion) {
    ShowMessage("error while reading windows version info");
    return;
  }
  osMajorVersion = *facts.majorVersion;
  isAdmin = facts.isAdmin;
}

void TfrmMain::StartVersionCheck() {
  if (options_.versionFileUrl.empty()) return;
  TVersionThread::Start(options_.versionFileUrl, programVersion, Handle(), IdHTTP1.Settings());
}

void TfrmMain::ShowNewVersionNotice() {
  lblNewVersion.SetVisible(true);
  cmdNext0.SetEnabled(false);
}

// --- Navigation --------------------------------------------------------------

void TfrmMain::cmdNext0Click(EventSource*) {
  PageControl1.SetActivePage(tsProfileList);
  DiscoverProfiles();
}

void TfrmMain::cmdBackClick(EventSource*) { PageControl1.SetActivePageIndex(PageControl1.ActivePageIndex() - 1); }

void TfrmMain::FormClose(EventSource*, CloseAction&) {
  migrationActive = false;
  if (migration_) migration_->NoteClosing();
}

void TfrmMain::cmdTerminate(EventSource*) { App().Terminate(); }

void TfrmMain::OnClose() {
  CloseAction action = CloseAction::caHide;
  FormClose(this, action);
  if (action != CloseAction::caNone) App().Terminate();
}


// --- Profiles ---------------------------------------------------------------

void TfrmMain::DiscoverProfiles() {
  ProfileLists lists = ferrowin::DiscoverProfiles();
  lbInfectedUser.SetItems(lists.sources);
  lbNewUser.SetItems(lists.destinations);
}

void TfrmMain::lbInfectedUserClick(EventSource*) {
  lblContactsWarning.SetVisible(false);
  int index = lbInfectedUser.ItemIndex();
  if (index < 0) return;
  std::string profile = ProfileFolder(lbInfectedUser.Item(index));
  lblContactsWarning.SetVisible(PathIsDirectory(JoinPath(profile, "AppData\\Local\\Microsoft\\Windows Live Mail")));

  counter_.Stop();
  keepCounting = true;
  counterBusy = true;
  fileCount = 0;
  countedBytes = 0;
  counter_.Start(FoldersToCount(profile), ++countSerial_);
}

void TfrmMain::OnCountProgress(std::uint32_t serial, std::int32_t files) {
  if (serial != countSerial_ || !counterBusy) return;
  fileCount = files;
  lblFileCount.SetText(FileCountText(fileCount));
  lblFileCount.Repaint();
}

void TfrmMain::OnCountDone(std::uint32_t serial) {
  if (serial != countSerial_ || !counterBusy) return;
  FileTotals totals = counter_.Finish();
  if (!counter_.Failure().empty()) ShowMessage("The file count stopped: " + counter_.Failure());
  fileCount = totals.files;
  countedBytes = totals.bytes;
  lblFileCount.SetText(FileCountWithSizeText(fileCount, countedBytes));
  // The copy divides by this for its percentage.
  countedBytes /= 100;
  counterBusy = false;
}

void TfrmMain::lbNewUserClick(EventSource*) {
  txtNewUser.SetText("");
  chkGiveAdmin.SetChecked(false);
}

// --- Migration ------------------------------------------------------------------

void TfrmMain::cmdNext6Click(EventSource*) {
  lblOldUser.SetFontColor(Label::kWindowTextColor);
  lblNewUser1.SetFontColor(Label::kWindowTextColor);
  if (migration_) {
    // The user went Back during a wait; bring them to the migration under way.
    PageControl1.SetActivePage(tsMagic6);
    return;
  }
  if (lbInfectedUser.ItemIndex() < 0) {
    lblOldUser.SetFontColor(Label::kRed);
    return;
  }
  StartMigration();
}

void TfrmMain::StartMigration() {
  MigrationRequest request{.source = lbInfectedUser.Item(lbInfectedUser.ItemIndex()), .typedName = txtNewUser.Text()};
  if (Trim(request.typedName).empty() && lbNewUser.ItemIndex() >= 0) {
    request.chosenName = lbNewUser.Item(lbNewUser.ItemIndex());
    // A profile that already exists is not made administrator from here.
    chkGiveAdmin.SetChecked(false);
  }
  request.giveAdmin = chkGiveAdmin.Checked();
  const MigrationSettings settings{.accounts = options_.accounts,
                                   .makeProfile = options_.makeProfile,
                                   .commandRunner = options_.commandRunner,
                                   .logFolder = options_.logFolder,
                                   .copyWorkers = options_.copyWorkers,
                                   .programVersion = programVersion,
                                   .owner = Handle()};
  MigrationDriver driver(migrationFace_, settings);
  migration_ = &driver;
  MigrationResult result;
  try {
    result = driver.Run(request);
  } catch (...) {
    migration_ = nullptr;
    throw;
  }
  migration_ = nullptr;
  // The window's own record of the migration's console files and copied bytes.
  if (!result.commandFiles.batchFilePath.empty()) {
    batchFilePath = result.commandFiles.batchFilePath;
    resultFilePath = result.commandFiles.resultFilePath;
  }
  if (result.outcome == MigrationResult::Outcome::Carried) copiedBytes = result.copiedBytes;
}

// A copy shows a percentage of the counted bytes, so it waits for the count;
// a move needs no total and stops it. The same handlers as during the
// sign-in wait may run, with the same guards. A count started meanwhile does
// not change this copy's percentage: the transfer takes the total as it stands.
std::optional<std::int64_t> TfrmMain::AwaitCount(bool moving) {
  if (moving) {
    keepCounting = false;
    return 0;
  }
  while (counterBusy && migrationActive) {
    WaitASlice(nullptr, 100);
    lblMagic4.SetText("Waiting on file counter... " + std::to_string(fileCount));
  }
  if (!migrationActive) return std::nullopt;
  return countedBytes;
}

// A slice of a wait, cut short by input so the window answers at once.
void TfrmMain::WaitASlice(HANDLE event, DWORD milliseconds) {
  MsgWaitForMultipleObjects(event ? 1 : 0, &event, FALSE, milliseconds, QS_ALLINPUT);
  App().ProcessMessages();
}

void TfrmMain::FormMigrationFace::Begin(bool giveAdmin) {
  form_.PageControl1.SetActivePage(form_.tsMagic6);
  form_.lbllblMagic11.SetVisible(giveAdmin);
}

void TfrmMain::FormMigrationFace::InputMissing(MigrationInput input) {
  (input == MigrationInput::Source ? form_.lblOldUser : form_.lblNewUser1).SetFontColor(Label::kRed);
}

void TfrmMain::FormMigrationFace::StepStatus(MigrationStep step, const std::string& text, bool urgent) {
  Label& status = Status(step);
  status.SetFontColor(urgent ? Label::kRed : Label::kWindowTextColor);
  status.SetText(text);
}

Label& TfrmMain::FormMigrationFace::Status(MigrationStep step) {
  switch (step) {
    case MigrationStep::Account: return form_.lblMagic1;
    case MigrationStep::Admin: return form_.lblMagic11;
    case MigrationStep::Folders: return form_.lblMagic2;
    case MigrationStep::MoveData: return form_.lblMagic4;
    case MigrationStep::Permissions: return form_.lblMagic5;
  }
  return form_.lblMagic4;
}

// --- Dos Command page ---------------------------------------------------------

void TfrmMain::cmdExecuteClick(EventSource*) {
  CommandRunnerSettings settings = options_.commandRunner;
  settings.owner = Handle();
  const CommandRun run = RunConsoleCommand(txtDosCommand.Text(), accountView_, settings);
  batchFilePath = run.files.batchFilePath;
  resultFilePath = run.files.resultFilePath;
  if (!run.Finished()) ShowMessage(run.failure);
}

// --- Window plumbing ---------------------------------------------------------

void TfrmMain::ShowMessage(const std::string& text) {
  if (options_.showMessage) {
    options_.showMessage(text);
    return;
  }
  Form::ShowMessage(text);
}

void TfrmMain::OnResize(int clientWidth, int clientHeight) {
  if (!PageControl1.Handle()) return;  // the frame is sized before its controls exist
  PageControl1.SetBounds(0, 0, clientWidth, clientHeight);
  PageControl1.LayoutPages();
}

void TfrmMain::OnNotify(const NMHDR& notification) {
  if (notification.hwndFrom == PageControl1.Handle() && notification.code == TCN_SELCHANGE) {
    PageControl1.OnTabSelected();
  }
}

int TfrmMain::DefaultButtonId() const {
  return PageControl1.ActivePage() == &tsDosCommand ? ids::cmdExecute : 0;
}

bool TfrmMain::OnAppMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kMsgCountProgress:
      OnCountProgress(static_cast<std::uint32_t>(wParam), static_cast<std::int32_t>(lParam));
      return true;
    case kMsgCountDone:
      OnCountDone(static_cast<std::uint32_t>(wParam));
      return true;
    case kMsgShowNewVersionNotice:
      if (formCreated_) {
        ShowNewVersionNotice();
      } else {
        versionNoticePending_ = true;
      }
      return true;
    default:
      return false;
  }
}

}  // namespace ferrowin
