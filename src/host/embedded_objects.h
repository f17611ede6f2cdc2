#pragma once
// Factories for the embedded host's automation objects.
#include "drawing/document.h"
#include "host/host.h"

namespace korvane::host {

class EmbeddedHost;
class HostDocument;

ApplicationPtr make_embedded_application(EmbeddedHost& host);
DocumentPtr make_embedded_document(EmbeddedHost& host, HostDocument& doc);
// An entity object for a live entity of the document, or null.
EntityPtr make_embedded_entity(EmbeddedHost& host, HostDocument& doc, drawing::RecordId id);
// The record behind an entity object of this host (kNoRecord for a foreign object).
drawing::RecordId record_of(const EntityPtr& entity);

}  // namespace korvane::host
