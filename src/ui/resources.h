// Resource identifiers of the program's icons (resources.rc).
#pragma once

#define ZELMO_IDI_START_PAGE 101
#define ZELMO_IDI_MAIN_WINDOW 102
