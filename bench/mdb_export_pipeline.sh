#!/bin/sh
# The script a user would write instead of the program to query a flow bench database: every
# table the query needs exported whole with mdbtools (`mdb-schema` and `mdb-export -I sqlite`)
# and piped into the `sqlite3` shell, which then runs the query. The database benchmark times it
# in the same run as the program, as the reference for the program's own figures.
#
#   mdb_export_pipeline.sh DATABASE.mdb WORK.sqlite QUERY.sql TABLE...
set -eu
database=$1
work=$2
query=$3
shift 3
rm -f "$work"
{
  echo "BEGIN;"
  for table in "$@"; do
    mdb-schema --no-indexes --no-relations -T "$table" "$database" sqlite
    mdb-export -I sqlite -S 1000 "$database" "$table"
  done
  echo "COMMIT;"
} | sqlite3 "$work"
sqlite3 "$work" < "$query" > /dev/null
