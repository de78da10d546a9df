#pragma once

// Every exception class of the list logic, for callers that catch them.
#include "app/list/FileOpenError.h"
#include "app/list/InOutError.h"
#include "app/list/InvalidCharacterError.h"
#include "app/list/ListError.h"
