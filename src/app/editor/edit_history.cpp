#include "app/editor/edit_history.hpp"

namespace kestro {

EditHistory::EditHistory(QObject* parent) : QObject(parent), stack_(this) {}

}  // namespace kestro
