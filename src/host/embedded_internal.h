#pragma once
// Internal classes of the embedded host's automation objects.
#include <memory>

#include "drawing/document.h"
#include "host/embedded_host.h"
#include "host/embedded_objects.h"

namespace korvane::host {

// Erased entity or closed drawing: the object no longer exists.
inline constexpr long kErrErased = -2145386420;

// What every embedded object holds: the host and (for most) its document. Calls on an
// object whose drawing was closed fail with an error instead of touching freed memory.
class EmbeddedBase {
public:
    EmbeddedBase(EmbeddedHost& host, HostDocument* doc) : host_(&host), doc_(doc) {}

protected:
    EmbeddedHost* host_;
    HostDocument* doc_;

    HostError& err() { return host_->err(); }
    bool alive() {
        for (size_t i = 0; i < host_->document_count(); ++i)
            if (&host_->document(i) == doc_) return true;
        err().raise(kErrErased, "the drawing was closed");
        return false;
    }
    drawing::Document& engine() { return doc_->doc(); }
};

}  // namespace korvane::host
