// Resource identifiers shared by the .rc file and the code that loads them.
#pragma once
#define IDI_QUORREL 129
#define IDR_SKIN_PICTURE 201
#define IDR_EMPTY_EXE 202
