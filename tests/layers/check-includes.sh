#!/usr/bin/env bash
# The three libraries build on each other in one direction only: core (no Qt) <- platform <- ui,
# with the simulated scale beside the core. Prints every include that runs the other way, or a
# Qt header in the core, and fails when there is one.
#   check-includes.sh SOURCE_DIR
set -euo pipefail
src="$1/src"
status=0

# refuse FOLDER PATTERN WHY: an include line in FOLDER matching PATTERN is a fault.
refuse() {
  local hits
  hits="$(grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]*$2" "$src/$1" || true)"
  if [ -n "$hits" ]; then
    echo "$3:"
    echo "$hits" | sed "s|^$src/|  src/|"
    status=1
  fi
}

refuse core '["<](platform|ui|simulation)/' "the core includes a file above it"
refuse core '<Q' "the core includes Qt"
refuse simulation '["<](platform|ui)/' "the simulation includes a file above it"
refuse simulation '<Q' "the simulation includes Qt"
refuse platform '["<](ui|simulation)/' "the platform includes a form or the simulation"
refuse ui '["<]simulation/' "a form includes the simulation"
exit $status
