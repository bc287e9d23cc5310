// TfrmMain: the program's one window. It keeps the program's state and its
// event handlers; the handlers read the controls, call an engine, and write
// the results back.
//
// The threads of the program. The window's thread owns every control and
// the program's state; no other thread touches either, and every wait on
// this thread is in slices that let messages through.
// - The version check (TVersionThread): started once at start-up, detached,
//   owned by no one. It holds copies of what it needs, reads the network,
//   and reaches the window only by its handle (a sent message). It ends by
//   itself, or with the process.
// - The file count (counter_, a BackgroundCount): owned by the window, one
//   at a time. It reads the profile's folders and posts its progress and its
//   end to the window. Stopped (keepCounting) and joined before another
//   starts, and in ~TfrmMain before the window goes.
// - The space estimate and the transfer (BackgroundTask in the driver's
//   Estimate and CarryData): owned by the driver's step that starts them,
//   which waits for them before it returns, the window or the command line
//   answering meanwhile. They touch only the files, the result they fill in
//   and, for the transfer, its TransferProgress (locked), which the face
//   takes from. Closing the window does not stop them: the step runs to its
//   end and the program ends after the driver returns.
// - The copies in flight (ParallelCopy's workers): owned by the transfer's
//   FolderTransfer, on the transfer's thread. Each copies the files handed to
//   it and marks its slot done under the lock; all are joined when the
//   transfer ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/control_ids.h"
#include "app/id_http.h"
#include "app/messages.h"
#include "app/migration_driver.h"
#include "console/account.h"
#include "console/local_accounts.h"
#include "console/profile_maker.h"
#include "migration/catalogue.h"
#include "migration/permissions.h"
#include "platform/controls.h"
#include "platform/environment.h"
#include "platform/form.h"
#include "platform/handles.h"
#include "profiles/file_counter.h"

namespace ferrowin {

struct FormOptions {
  // The first command-line argument; "/debug" keeps the page tabs.
  std::string firstArgument;
  EnvironmentProbe environment = SystemEnvironment();
  // Where the version check looks; empty for no check.
  std::string versionFileUrl;
  // Where message boxes go; empty for real modal boxes.
  std::function<void(const std::string& text)> showMessage;
  CommandRunnerSettings commandRunner;
  LocalAccounts accounts = SystemLocalAccounts();
  ProfileMaker makeProfile = SystemProfileMaker();
  // Where migration logs are kept; empty for %ProgramData%\Ferrowin\Logs.
  std::string logFolder;
  // Files a copy has in flight; 0 for as many as the drives allow.
  int copyWorkers = 0;
};

enum class CloseAction { caNone, caHide };

#define FERROWIN_COMPONENT(Type, name) Type name{*this, ids::name, #name}

class TfrmMain : public Form {
 public:
  TfrmMain(Application& application, FormOptions options);
  ~TfrmMain() override;

  // Makes the window and every control with its stored settings. Throws
  // WindowCreationError when the window or a control cannot be made.
  void Load();
  // Load, then FormCreate: the window as the program starts it.
  void Create();
  void Show();

  // Components, in their order of declaration.
  FERROWIN_COMPONENT(PageControl, PageControl1);
  FERROWIN_COMPONENT(TabSheet, tsWelcome);
  FERROWIN_COMPONENT(Memo, Memo1);
  FERROWIN_COMPONENT(Label, lblWin7Admin);
  FERROWIN_COMPONENT(Label, lblNotWin7);
  FERROWIN_COMPONENT(Button, cmdNext0);
  FERROWIN_COMPONENT(Label, lblNewVersion);
  FERROWIN_COMPONENT(TIdHTTP, IdHTTP1);
  FERROWIN_COMPONENT(TabSheet, tsProfileList);
  FERROWIN_COMPONENT(Button, cmdBack6);
  FERROWIN_COMPONENT(Button, cmdNext6);
  FERROWIN_COMPONENT(TabSheet, tsDosCommand);
  FERROWIN_COMPONENT(Memo, memoDosOutput);
  FERROWIN_COMPONENT(Edit, txtDosCommand);
  FERROWIN_COMPONENT(Button, cmdExecute);
  FERROWIN_COMPONENT(TabSheet, tsMagic6);
  FERROWIN_COMPONENT(Button, cmdBack62);
  FERROWIN_COMPONENT(Memo, memoRecovery);
  FERROWIN_COMPONENT(Label, lblOldUser);
  FERROWIN_COMPONENT(Label, lblNewUser2);
  FERROWIN_COMPONENT(Label, lblNewUser1);
  FERROWIN_COMPONENT(Label, lblContactsWarning);
  FERROWIN_COMPONENT(ListBox, lbInfectedUser);
  FERROWIN_COMPONENT(ListBox, lbNewUser);
  FERROWIN_COMPONENT(Edit, txtNewUser);
  FERROWIN_COMPONENT(CheckBox, chkGiveAdmin);
  FERROWIN_COMPONENT(Label, lbllblMagic1);
  FERROWIN_COMPONENT(Label, lblMagic1);
  FERROWIN_COMPONENT(Label, Label11);
  FERROWIN_COMPONENT(Label, lblMagic2);
  FERROWIN_COMPONENT(Label, Label12);
  FERROWIN_COMPONENT(Label, lblMagic4);
  FERROWIN_COMPONENT(Label, lblAdjustPermissions);
  FERROWIN_COMPONENT(Label, lblMagic5);
  FERROWIN_COMPONENT(Label, lbllblMagic11);
  FERROWIN_COMPONENT(Label, lblMagic11);
  FERROWIN_COMPONENT(Shape, Shape1);
  FERROWIN_COMPONENT(Label, lblFileCount);

  // Event handlers.
  void FormCreate(EventSource* sender);
  void FormClose(EventSource* sender, CloseAction& action);
  void cmdNext0Click(EventSource* sender);
  void cmdBackClick(EventSource* sender);
  void cmdNext6Click(EventSource* sender);
  void cmdTerminate(EventSource* sender);
  void cmdExecuteClick(EventSource* sender);
  void lbInfectedUserClick(EventSource* sender);
  void lbNewUserClick(EventSource* sender);

  // The program's shared state; every field starts at zero, false or empty.
  bool isAdmin = false;
  std::uint32_t osMajorVersion = 0;
  bool migrationActive = false;
  std::atomic<bool> keepCounting{false};
  std::string batchFilePath;
  std::string resultFilePath;
  std::int32_t fileCount = 0;
  std::int64_t countedBytes = 0;
  std::int64_t copiedBytes = 0;
  bool counterBusy = false;
  std::int32_t programVersion = 0;

  void ShowMessage(const std::string& text) override;

  struct LayoutFonts {
    HFONT regular;  // "MS Sans Serif" 8 pt
    HFONT bold10;   // the red notices of the Welcome page
    HFONT bold8;    // the contacts warning
  };

  // The window as the account commands see it.
  AccountView& AsAccountView() { return accountView_; }

 protected:
  void OnClose() override;
  void OnResize(int clientWidth, int clientHeight) override;
  void OnNotify(const NMHDR& notification) override;
  int DefaultButtonId() const override;
  bool OnAppMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Makes the page container, its four pages and every control on them, with
  // the stored positions, texts, fonts, states, tab order and bound handlers
  // (app/layout.cpp: the stored layout).
  void LoadLayout(const LayoutFonts& fonts);
  void CheckEnvironment();
  void StartVersionCheck();
  void ShowNewVersionNotice();
  void DiscoverProfiles();
  void OnCountProgress(std::uint32_t serial, std::int32_t files);
  void OnCountDone(std::uint32_t serial);

  // The driver, and its steps that belong to the window. Each wait lets the
  // window handle its messages between slices, so it answers throughout.
  void StartMigration();
  std::optional<std::int64_t> AwaitCount(bool moving);
  void WaitASlice(HANDLE event, DWORD milliseconds);

  // The window as the engines see it: one adapter per interface, each a few
  // lines over the controls.
  class FormAccountView : public AccountView {
   public:
    explicit FormAccountView(TfrmMain& form) : form_(form) {}
    void SetOutputText(const std::string& text) override { form_.memoDosOutput.SetText(text); }
    std::vector<std::string> OutputLines() const override { return form_.memoDosOutput.Lines(); }
    void ShowMessage(const std::string& text) override { form_.ShowMessage(text); }
    void SetAccountStatus(const std::string& text) override { form_.lblMagic1.SetText(text); }
    void ShowAdminStatus() override { form_.lblMagic11.SetVisible(true); }
    void SetAdminStatus(const std::string& text) override { form_.lblMagic11.SetText(text); }
    void AddLogLine(const std::string& line) override { form_.memoRecovery.AddLine(line); }

   private:
    TfrmMain& form_;
  };

  // Called on the count's thread: it only posts to the window's own.
  class FormCountView : public CountView {
   public:
    explicit FormCountView(TfrmMain& form) : form_(form) {}
    void CountProgress(std::uint32_t serial, std::int32_t files) override {
      PostMessageW(form_.Handle(), kMsgCountProgress, serial, files);
    }
    void CountEnded(std::uint32_t serial) override { PostMessageW(form_.Handle(), kMsgCountDone, serial, 0); }

   private:
    TfrmMain& form_;
  };

  // The window as the migration driver sees it: it shows every event.
  class FormMigrationFace : public MigrationFace {
   public:
    explicit FormMigrationFace(TfrmMain& form) : form_(form) {}
    void InputMissing(MigrationInput input) override;
    bool Tell(const std::string& text) override {
      form_.ShowMessage(text);
      return true;
    }
    void Begin(bool giveAdmin) override;
    void StepShown(MigrationStep step) override { Status(step).SetVisible(true); }
    void StepStatus(MigrationStep step, const std::string& text, bool urgent) override;
    void LogLines(const std::vector<std::string>& lines) override { form_.memoRecovery.AddLines(lines); }
    void Repaint() override { form_.Repaint(); }
    void CommandOutput(const std::string& text) override { form_.memoDosOutput.SetText(text); }
    std::vector<std::string> CommandOutputLines(const std::string&) const override {
      return form_.memoDosOutput.Lines();
    }
    void StartWaiting() override { form_.migrationActive = true; }
    bool MayGoOnWaiting() override { return form_.migrationActive; }
    void Wait(HANDLE event, DWORD milliseconds) override { form_.WaitASlice(event, milliseconds); }
    std::optional<std::int64_t> AwaitCount(bool moving) override { return form_.AwaitCount(moving); }
    bool Closed() const override { return form_.App().Terminated(); }

   private:
    Label& Status(MigrationStep step);
    TfrmMain& form_;
  };

  FormOptions options_;
  FormAccountView accountView_{*this};
  FormMigrationFace migrationFace_{*this};
  // The migration under way, if any: Back and Next during its waits must not
  // start a second one inside the first, and a close during its transfer is
  // said in its log.
  MigrationDriver* migration_ = nullptr;
  FormCountView countView_{*this};
  // The version notice may arrive before FormCreate has finished; it is
  // applied after, so that it overrides FormCreate's enabling of Next.
  bool formCreated_ = false;
  bool versionNoticePending_ = false;
  // The file count of the selected source; messages of an earlier count,
  // still queued after it was stopped, carry an older serial and are ignored.
  BackgroundCount counter_{keepCounting, countView_};
  std::uint32_t countSerial_ = 0;
  // The controls use these until the window is gone: the destructor
  // destroys the window before they go.
  UniqueFont font_;
  UniqueFont boldFont10_;
  UniqueFont boldFont8_;
};

#undef FERROWIN_COMPONENT

}  // namespace ferrowin
