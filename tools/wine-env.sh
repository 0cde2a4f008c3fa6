# Sourced by the Wine helpers: the settings every Wine process of ours runs with.
export WINEDEBUG=${WINEDEBUG:--all}
# No prompts for the components a fresh prefix lacks.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win64
