#include <windows.h>
// windows.h first: objbase.h builds on it.
#include <objbase.h>

#include <cstring>

#include "platform/guid.h"

namespace platform {

static_assert(sizeof(GUID) == 16 && sizeof(GUID::Data1) == sizeof(Guid::data1) &&
                  sizeof(GUID::Data2) == sizeof(Guid::data2) &&
                  sizeof(GUID::Data3) == sizeof(Guid::data3) &&
                  sizeof(GUID::Data4) == sizeof(Guid::data4),
              "a GUID's fields as the system lays them out");

bool NewGuid(Guid& guid) {
  GUID made{};
  if (FAILED(CoCreateGuid(&made))) return false;
  guid.data1 = made.Data1;
  guid.data2 = made.Data2;
  guid.data3 = made.Data3;
  std::memcpy(guid.data4, made.Data4, sizeof(guid.data4));
  return true;
}

}  // namespace platform
