# Sourced by the comparison scripts: prints one Markdown table.
#   markdown_table TITLE ARRAY CORNER "ROWS" "COLUMNS"
# ARRAY is the name of an associative array indexed [row,column]; CORNER
# heads the first column.
markdown_table() {
  local -n cells=$2
  local row column
  echo
  echo "$1"
  echo
  printf "| %s |" "$3"; for column in $5; do printf " %s |" "$column"; done; echo
  printf "|---|"; for column in $5; do printf -- "---:|"; done; echo
  for row in $4; do
    printf "| %s |" "$row"
    for column in $5; do printf " %s |" "${cells[$row,$column]}"; done
    echo
  done
}
