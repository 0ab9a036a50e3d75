#include "xlsdoc/design_document_command.h"

namespace kv {

bool RunDesignDocumentCommand(RunContext&, const DesignDocumentOptions&, DocumentProgress*) { return false; }

}  // namespace kv
