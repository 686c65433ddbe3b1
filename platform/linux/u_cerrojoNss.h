// NSS's contexts are set up and torn down process-wide: whatever opens one (reading the store,
// importing into it, reading a certificate's details) holds this lock until it has closed it.
#pragma once

#include <mutex>

namespace marlevanta {

inline std::mutex& CerrojoNss() {
    static std::mutex m;
    return m;
}

}  // namespace marlevanta
