// Self-registration of the control library, in the order the exports run it.
#pragma once

#include <string>

#include "com/CatRegister.h"

// Fills a category description, cut to the 127 characters the record holds.
CATEGORYINFO MakeCategoryInfo(const CATID& catid, LCID lcid, std::u16string_view description);

// DllRegisterServer / DllUnregisterServer for the library at modulePath.
HRESULT RegisterPallinote(const std::string& modulePath);
HRESULT UnregisterPallinote();
