#pragma once
#include <QString>

// The operator's words for an operating-system error number (ENOSPC, ENOENT,
// ...), in Chinese; an unknown number falls back to the system's own text.
QString osErrorText(int errorNumber);
