// Prints the user tables of an .mdb file as JSON, read with mdb-reader (an
// independent Jet reader), for the DAO writer's tests.
//
//   node dump.mjs FILE [--offset N] [--limit N]
//
// Output: {"password": null|"...", "tables": [{"name", "rowCount",
// "columns": [{"name", "type", "size"}], "rows": [[value, ...], ...]}]}.
// Values: null, booleans, numbers, strings (text, memo, currency), binary
// and OLE values as {"hex": "..."}, dates as {"date": ISO-8601 in UTC}.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const args = process.argv.slice(2);
const file = args[0];
let rowOffset = 0;
let rowLimit = Infinity;
for (let i = 1; i < args.length; i += 2) {
  if (args[i] === "--offset") rowOffset = Number(args[i + 1]);
  else if (args[i] === "--limit") rowLimit = Number(args[i + 1]);
}

function encode(value) {
  if (value === null || value === undefined) return null;
  if (Buffer.isBuffer(value)) return { hex: value.toString("hex") };
  if (value instanceof Date) return { date: value.toISOString() };
  return value;
}

const reader = new MDBReader(readFileSync(file));
const out = { password: reader.getPassword(), tables: [] };
for (const name of reader.getTableNames()) {
  const table = reader.getTable(name);
  const columns = table.getColumns();
  const rows = [];
  if (rowLimit > 0) {
    for (const row of table.getData({ rowOffset, rowLimit })) {
      rows.push(columns.map((c) => encode(row[c.name])));
    }
  }
  out.tables.push({
    name,
    rowCount: table.rowCount,
    columns: columns.map((c) => ({ name: c.name, type: c.type, size: c.size })),
    rows,
  });
}
process.stdout.write(JSON.stringify(out));
