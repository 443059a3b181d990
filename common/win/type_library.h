// The type library that describes an automation interface, as the registry names it.
#pragma once

#include <oaidl.h>

#include "win/com.h"

namespace zelmo::win {

// Loads the library registered for interface `iid` (HKEY_CLASSES_ROOT\Interface\{iid}\TypeLib and
// its Version); empty when none is registered or it cannot be loaded.
//
// Held, it stays loaded. The marshaler that carries a dispinterface between processes loads the
// interface's library for every proxy and stub it makes and unloads it with the last one, so a
// client that makes many of them one after another (a sheet at a time) reads and parses the file
// again each time unless something holds it.
ComPtr<ITypeLib> LoadTypeLibraryOf(const IID& iid);

}  // namespace zelmo::win
