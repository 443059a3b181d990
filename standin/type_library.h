// The server's type library: one dispinterface per public interface, deriving from IDispatch. Wine's
// marshaler needs it to hand those interfaces across processes.
#pragma once

#include <windows.h>

#include <string>

namespace zelmo::standin {

// Writes the library to `path` (the folder must exist).
HRESULT WriteTypeLibrary(const std::wstring& path);

struct PublicInterface {
    const IID* iid;
    const wchar_t* name;
};
// The dispinterfaces the library holds (and registration lists under Interface).
const PublicInterface* PublicInterfaces(size_t* count);

}  // namespace zelmo::standin
