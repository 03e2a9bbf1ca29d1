#include "app/AboutDlg.h"

CAboutDlg::CAboutDlg(fw::Window* parent) : fw::Dialog(IDD, parent) {}
