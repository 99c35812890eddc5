// Shows the progress window as a conversion shows it (page count, gauge part-way) and
// keeps it on the screen for a while, so that it can be photographed:
//   progress_window_demo [seconds]
// Prints "shown" once the window is up.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "progress/UnitProgress.h"

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  fv::progress::TfrmProgress form;
  fv::progress::frmProgress = &form;
  form.SetLabelCaption(form.lbPath, form.lbPath->Caption() + "C:\\docs\\");
  form.SetLabelCaption(form.lbFileName, form.lbFileName->Caption() + "report.doc");
  form.Show();
  form.SetLabelCaption(form.lbTotalPage, form.lbTotalPage->Caption() + "12");
  form.SetGaugeProgress(form.ggCurrent, 42);
  form.Refresh();
  std::printf("shown\n");
  std::fflush(stdout);
  const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
  while (GetTickCount() < end) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(50);
  }
  form.Hide();
  fv::progress::frmProgress = nullptr;
  return 0;
}
