// Stable ids of the window's components. Automation, screen readers and the
// end-to-end tests find every control by these numbers; never renumber one.
#pragma once

namespace ferrowin::ids {

enum : int {
  PageControl1 = 100,
  tsWelcome = 101,
  Memo1 = 102,
  lblWin7Admin = 103,
  lblNotWin7 = 104,
  cmdNext0 = 105,
  lblNewVersion = 106,
  IdHTTP1 = 107,
  tsProfileList = 108,
  cmdBack6 = 109,
  cmdNext6 = 110,
  tsDosCommand = 111,
  memoDosOutput = 112,
  txtDosCommand = 113,
  cmdExecute = 114,
  tsMagic6 = 115,
  cmdBack62 = 116,
  memoRecovery = 117,
  lblOldUser = 118,
  lblNewUser2 = 119,
  lblNewUser1 = 120,
  lblContactsWarning = 121,
  lbInfectedUser = 122,
  lbNewUser = 123,
  txtNewUser = 124,
  chkGiveAdmin = 125,
  lbllblMagic1 = 126,
  lblMagic1 = 127,
  Label11 = 128,
  lblMagic2 = 129,
  Label12 = 130,
  lblMagic4 = 131,
  lblAdjustPermissions = 132,
  lblMagic5 = 133,
  lbllblMagic11 = 134,
  lblMagic11 = 135,
  Shape1 = 136,
  lblFileCount = 137,
};

}  // namespace ferrowin::ids

// The window class of the main window, for FindWindow.
#define FERROWIN_MAIN_WINDOW_CLASS L"TfrmMain"
