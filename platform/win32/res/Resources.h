// The ids of Velmora.exe's resources, shared by Velmora.rc.in and the code.
#pragma once

// The program's icon: the first icon group, so Explorer, shortcuts and
// "Velmora.exe,0" show it.
#define IDI_VELMORA 1
