-- The library database as Redate sees it, for SQLite: catalogue records and barcode (copy) records.
-- Dates are stored as 'yyyy-mm-dd' text: a DATE column has NUMERIC affinity, which leaves such text
-- as it is, so the repair statements' comparisons with '1900-01-01' compare text, in date order.
CREATE TABLE lib_bianma (
    bm_id   INTEGER PRIMARY KEY,
    bm_date DATE
);

CREATE TABLE lib_tiaoma (
    tm_id       INTEGER PRIMARY KEY,
    tm_logdate  DATE,
    tm_initdate DATE,
    tm_yydate   DATE,
    tm_mark     CHAR(1)
);
