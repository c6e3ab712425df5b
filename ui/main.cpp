// The one application object of Ondrel.exe; the framework's WinMain runs it.

#include "ui/converter_app.h"

CConverterApp theApp;
