-- The library database as Redate sees it, for MariaDB. The repair statements assign and compare
-- 'yyyy-mm-dd' literals, which MariaDB converts to DATE for both.
CREATE TABLE lib_bianma (
    bm_id   int PRIMARY KEY,
    bm_date date
) ENGINE=InnoDB;

CREATE TABLE lib_tiaoma (
    tm_id       int PRIMARY KEY,
    tm_logdate  date,
    tm_initdate date,
    tm_yydate   date,
    tm_mark     char(1)
) ENGINE=InnoDB;
