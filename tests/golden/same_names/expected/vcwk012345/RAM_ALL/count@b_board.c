変数アクセス箇所一覧

start_b
    count [w]

_exit@b_board.c
    count [w]

