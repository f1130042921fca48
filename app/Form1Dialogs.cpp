// Menu commands that open the dialogs.
#include "Form1.h"

void TForm1::KS1Click() {}

void TForm1::About1Click() {}

void TForm1::ACPK2AVIClick() {}
