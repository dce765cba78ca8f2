#pragma once
#include "base/errors.h"

// A failed open, statement or post; its text is the engine's own.
class DbError : public AppError {
public:
    using AppError::AppError;
};
