// The call tree of every root for full_tree.html: names, then per record its callees' numbers.
var kvTree = {
records: 7,
names: "init\nisr\nlog\nmain\nrec\nrun\nhelper\nprintf",
labels: "init\nisr\nlog\nmain\nrec\nrun\nhelper\nprintf",
calls: "\n7,4\n\n0,5\n4\n2\n",
roots: "1,3"
};
