// Creating objects by class id: the class is looked up in the registry, its
// library loaded once per process and asked for the class factory.
#pragma once

#include <cstdint>
#include <string>

#include "com/ClassFactory.h"

constexpr std::uint32_t CLSCTX_INPROC_SERVER = 0x1;

HRESULT CoGetClassObject(REFCLSID clsid, std::uint32_t context, REFIID iid, void** out);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, std::uint32_t context, REFIID iid,
                         void** out);
// Class id of a registered ProgID (CO_E_CLASSSTRING when unknown).
HRESULT CLSIDFromProgID(const std::string& progId, CLSID* clsid);
// Unloads each library this runtime loaded whose DllCanUnloadNow says S_OK.
void CoFreeUnusedLibraries();

// What a server records for one of its classes.
struct ClassRegistration {
    CLSID clsid;
    std::string progId;
    std::string typeName;
    std::string serverPath;
    std::string threadingModel = "Apartment";
    bool control = false;
    bool insertable = false;
    int toolboxBitmap = 0;  // resource id; 0 for none
    std::uint32_t miscStatus = 0;
    GUID libid{};
    std::string libVersion;
};

HRESULT RegisterClassEntry(const ClassRegistration& entry);
// Removes the class key and its ProgID key (when it still names this class).
HRESULT UnregisterClassEntry(REFCLSID clsid, const std::string& progId);

// The file of the loaded module that contains address (a function of it).
std::string ModulePathOf(const void* address);
