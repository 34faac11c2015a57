// Replaces an entry of a loaded module's import address table.
#include "tests/support/import_patch.h"

void* patch_import(HMODULE module, const char* dll, const char* function, void* replacement) {
    unsigned char* image = reinterpret_cast<unsigned char*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const IMAGE_NT_HEADERS32* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (entry.VirtualAddress == 0) return nullptr;
    const IMAGE_IMPORT_DESCRIPTOR* import =
        reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image + entry.VirtualAddress);
    for (; import->Name != 0; ++import) {
        if (lstrcmpiA(reinterpret_cast<const char*>(image + import->Name), dll) != 0) continue;
        const IMAGE_THUNK_DATA32* names =
            reinterpret_cast<const IMAGE_THUNK_DATA32*>(image + import->OriginalFirstThunk);
        IMAGE_THUNK_DATA32* slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(image + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (names->u1.Ordinal & IMAGE_ORDINAL_FLAG32) continue;
            const IMAGE_IMPORT_BY_NAME* by_name =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(image + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(by_name->Name), function) != 0) continue;
            DWORD old_protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old_protection);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<DWORD>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old_protection, &old_protection);
            return previous;
        }
    }
    return nullptr;
}

bool redirect_imports(HMODULE module, ImportRedirect* redirects, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        redirects[i].original = patch_import(module, redirects[i].dll, redirects[i].function, redirects[i].hook);
        if (redirects[i].original == nullptr) {
            restore_imports(module, redirects, count);
            return false;
        }
    }
    return true;
}

void restore_imports(HMODULE module, ImportRedirect* redirects, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (redirects[i].original != nullptr)
            patch_import(module, redirects[i].dll, redirects[i].function, redirects[i].original);
        redirects[i].original = nullptr;
    }
}
