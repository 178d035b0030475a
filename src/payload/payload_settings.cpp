#include "payload/payload_settings.h"

namespace kestro {

TMemIniFile& PayloadSettings() {
  static TMemIniFile store;
  return store;
}

}  // namespace kestro
