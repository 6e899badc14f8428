#include "servants.h"

namespace irstore::serve {

void install_servants(ServeContext& context) {
  install_repository_servant(context);
  install_definition_servants(context);
  install_anonymous_type_servants(context);
}

}  // namespace irstore::serve
