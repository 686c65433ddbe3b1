// NSS's contexts are set up and torn down process-wide: whatever opens one (reading the store,
// importing into it, reading a certificate's details) holds this lock until it has closed it.
#pragma once

#include <nss.h>
#include <pk11pub.h>

#include <mutex>

namespace marlevanta {

inline std::mutex& CerrojoNss() {
    static std::mutex m;
    return m;
}

// One NSS context and the slot of its database, both let go together.
class ContextoNss {
public:
    ContextoNss() = default;
    ContextoNss(const ContextoNss&) = delete;
    ContextoNss& operator=(const ContextoNss&) = delete;
    ~ContextoNss() {
        if (slot_) PK11_FreeSlot(slot_);
        if (ctx_) NSS_ShutdownContext(ctx_);
    }
    NSSInitContext* ctx_ = nullptr;
    PK11SlotInfo* slot_ = nullptr;
};

}  // namespace marlevanta
