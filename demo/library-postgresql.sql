-- The library database as Redate sees it, for PostgreSQL. The repair statements assign and compare
-- 'yyyy-mm-dd' literals, which PostgreSQL takes as values of type date.
CREATE TABLE lib_bianma (
    bm_id   integer PRIMARY KEY,
    bm_date date
);

CREATE TABLE lib_tiaoma (
    tm_id       integer PRIMARY KEY,
    tm_logdate  date,
    tm_initdate date,
    tm_yydate   date,
    tm_mark     char(1)
);
