#include "prepro/prepro_stages.h"

namespace kv {

}  // namespace kv
