// Execute: the extraction run.
#include "Form1.h"

void TForm1::Button4Click() {}

void TForm1::closeEvent(QCloseEvent* e) { QMainWindow::closeEvent(e); }
