// Resource ids shared by the .rc and the code.
#pragma once

#define IDI_APPICON 1
#define IDB_LOGO 101
