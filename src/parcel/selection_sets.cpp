#include "parcel/selection_sets.h"

namespace korvane::parcel {

host::SelectionSetPtr fresh_selection_set(host::Document& doc, const std::string& name) {
    host::SelectionSetsPtr sets = doc.SelectionSets();
    if (!sets) return nullptr;
    if (host::SelectionSetPtr old = sets->Item(name)) old->Delete();
    return sets->Add(name);
}

}  // namespace korvane::parcel
