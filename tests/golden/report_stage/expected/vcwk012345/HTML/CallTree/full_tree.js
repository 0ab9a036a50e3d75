// The call tree of every root for full_tree.html: names, then per record its callees' numbers.
var kvTree = {
records: 7,
names: "init\nisr\nlog\nmain\nrec\nrun\nhelper\nprintf",
labels: "init\nisr\nlog\nmain\nrec\nrun\nhelper\nprintf",
calls: "
7,4

0,5
4
2
",
roots: "1,3"
};
