#!/usr/bin/env bash
# Runs browser_keys.py on the X server that run_under_xvfb.sh started; VELDO_WEB_PAGES names the
# folder of the pages.
exec /usr/bin/python3 "$(dirname "$0")/browser_keys.py" --pages "${VELDO_WEB_PAGES:?}"
