#!/bin/sh
# dpkg-query for the tests of scripts/setup.sh: whether the last argument is among the packages
# fake_apt.py has "installed" (a shell script, as it is called once for every package).
if grep -qxF -- "$(eval echo "\${$#}")" "$FAKE_APT_DIR/installed" 2>/dev/null; then
  printf 'install ok installed'
else
  echo "dpkg-query: no packages found matching $(eval echo "\${$#}")" >&2
  exit 1
fi
