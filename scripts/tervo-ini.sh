# Sourced by the scripts that start the viewer on a folder of their own.
#
# write_tervo_ini FILE FILE_SELECT PL_TIMENO FOLDER PSIZE
#   writes the four settings as the viewer itself writes them (CR LF lines).
write_tervo_ini() {
  printf 'file_select=%s\r\npl_timeno=%s\r\nread_foldername=%s\r\npsize=%s\r\n' "$2" "$3" "$4" "$5" >"$1"
}

# The program's version as the build gives it (project() in CMakeLists.txt).
tervo_version() {
  sed -n 's/^project(Tervo VERSION \([0-9.]*\).*/\1/p' "$(dirname "${BASH_SOURCE[0]}")/../CMakeLists.txt"
}
