変数アクセス箇所一覧

start_a
    count [w]

_exit@a_board.c
    count [w]

