// Names for the search box (Search.html): one per line.
var kvIndex = {
functions: "helper\ninit\nisr\nlog\nmain\nrec\nrun",
variables: "a\nb\nbuf\nc\ncnt\ng_cnt\nst\nunused",
definitions: "LIMIT\tutil_C\nMAX_SPEED\tmain_C\nMODE\tmain_C"
};
