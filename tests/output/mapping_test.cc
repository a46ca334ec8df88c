// The JSON text of the tree rules: trees are built with the construction
// functions, their text is printed in a child, and standard output is
// compared byte for byte.  Together the cases exercise every rule's visit.
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "output/text_patterns.h"
#include "store/string_table.h"
#include "support/child.h"
#include "support/tree_rules.h"
#include "tree/walk.h"
#include "tree/construction.h"
#include "tree/node_stack.h"

namespace {

SrcPosition At{1, 1};

// ---- Building trees ----

// A string literal as the scanner stores it: with its quotes.
int Q(const std::string& s) {
  std::string quoted = "\"" + s + "\"";
  return StoreString(quoted.data(), int(quoted.size()));
}
// A real literal as the scanner stores it: its source text.
int R(const std::string& s) { return StoreString(s.data(), int(s.size())); }

NodeWord Word(Node* n) {
  NodeWord w;
  w.node = n;
  return w;
}
NodeWord Word(int v) {
  NodeWord w;
  w.node = nullptr;
  w.value = v;
  return w;
}

// The list that appendRule builds, holding the elements in order.
template <typename E>
Node* List(int appendRule, std::initializer_list<E> elements) {
  int empty = 0;
  while (kRules[size_t(empty)].kind != kRules[size_t(appendRule)].kind ||
         kRules[size_t(empty)].list != ListRole::Empty)
    ++empty;
  Node* list = BuildNode(empty, &At, nullptr);
  for (E e : elements) {
    const NodeWord args[] = {Word(list), Word(e)};
    list = BuildNode(appendRule, &At, args);
  }
  return list;
}

Node* Strings(std::initializer_list<const char*> s) {
  Node* list = Mkrule_054(&At);
  for (const char* e : s) list = Mkrule_053(&At, list, Q(e));
  return list;
}
Node* Reals(std::initializer_list<const char*> s) {
  Node* list = Mkrule_075(&At);
  for (const char* e : s) list = Mkrule_074(&At, list, R(e));
  return list;
}
Node* Ints(std::initializer_list<int> v) { return List(R_rule_117, v); }
Node* Assigns(std::initializer_list<Node*> e = {}) { return List(R_rule_094, e); }
Node* NoStrings() { return Mkrule_054(&At); }
Node* Nil() { return Mkrule_043(&At, Strings({"never written"})); }

// Ident over an Ident_Kind over an index kind (the rules of one letter).
Node* Ident(int kindRule, int indexRule, std::initializer_list<int> index) {
  NodeWord ints = Word(Ints(index));
  NodeWord kind = Word(BuildNode(indexRule, &At, &ints));
  return Mkrule_029(&At, BuildNode(kindRule, &At, &kind));
}

Node* Over(int rule, Node* child) {
  NodeWord w = Word(child);
  return BuildNode(rule, &At, &w);
}

// ---- Printing ----

// The text a subtree yields, by the walk AttrMain makes (children first,
// left to right), without recursion.
PTGNode TextOf(const Node* root) { return static_cast<PTGNode>(VisitTree(root).first); }

// A root prints its document through AttrMain; any other node's text is
// printed by itself at level 0.
void PrintNode(Node* n) {
  if (n->rule == R_rule_000) {
    NodeStackPush();
    NodeStack[NodeStackTop] = n;
    AttrMain();
  } else {
    PTGOut(TextOf(n));
  }
}

// Expected texts are written as raw strings: the line break after the
// opening quote is dropped, and a "~" ends a line that holds only spaces, so
// that those spaces stay visible.
std::string Doc(const char* text) {
  std::string s = text;
  if (!s.empty() && s[0] == '\n') s.erase(0, 1);
  std::string out;
  for (char c : s)
    if (c != '~') out += c;
  return out;
}

struct Case {
  std::string name;
  std::function<Node*()> build;
  std::string expected;
};

// ---- The cases ----

// The worked example's tree (its document is a golden case of the program).
Node* WorkedExample() {
  Node* cls = Mkrule_046(&At, Mkrule_003(&At, Strings({"lin"})));
  Node* spec = Mkrule_006(&At, Strings({"top"}), Mkrule_007(&At, Q("cls")),
                          Mkrule_057(&At, Mkrule_019(&At, Strings({"ext"}))), Mkrule_059(&At));
  Node* y = Ident(R_rule_110, R_rule_033, {1});
  Node* u = Ident(R_rule_109, R_rule_032, {2});
  Node* links = List(R_rule_049, {Mkrule_020(&At, y, u)});
  auto couples = [] { return Mkrule_021(&At, Mkrule_022(&At, Assigns(), Mkrule_097(&At)), Assigns()); };
  Node* system = Mkrule_001(&At, cls, Strings({"demo"}), spec, links, couples(), couples(), Mkrule_052(&At));
  return Mkrule_000(&At, Mkrule_044(&At, system));
}

Node* SystemtypeDocument() {
  Node* cls = Mkrule_048(&At, Mkrule_005(&At, NoStrings()));
  Node* sub = Mkrule_006(&At, NoStrings(), Mkrule_007(&At, Q("sub")),
                         Mkrule_057(&At, Mkrule_019(&At, NoStrings())), Mkrule_059(&At));
  Node* spec = Mkrule_006(&At, NoStrings(), Mkrule_007(&At, Q("src")),
                          Mkrule_056(&At, Mkrule_018(&At, Strings({"i"}), Assigns())),
                          List(R_rule_058, {sub}));
  Node* assign = Mkrule_026(&At, Ident(R_rule_109, R_rule_032, {1}), Mkrule_103(&At, 2));
  Node* inner = Mkrule_022(&At, Assigns({assign}), Mkrule_097(&At));
  Node* couples1 = Mkrule_021(&At, Mkrule_022(&At, Assigns(), List(R_rule_096, {inner})), Assigns());
  Node* couples2 = Mkrule_021(&At, Mkrule_022(&At, Assigns(), Mkrule_097(&At)), Assigns());
  Node* block = Mkrule_023(&At, Assigns(), Mkrule_024(&At, Assigns(), Assigns()),
                           List(R_rule_098, {Mkrule_024(&At, Assigns(), Assigns())}),
                           Mkrule_025(&At, Assigns(), Assigns()), Mkrule_4(&At, Nil()));
  Node* system = Mkrule_001(&At, cls, NoStrings(), spec, Mkrule_050(&At), couples1, couples2,
                            List(R_rule_051, {block}));
  return Mkrule_000(&At, Mkrule_045(&At, system));
}

const char* kSystemtypeDocument = R"(
{
   "Qel_Object": {
      "Systemtype": {
         "System": {
            "System_Class": {
               "Nonlinear": [
                  ~
               ]
            }
            ,
            "Strings": [
               ~
            ],
            "Specificationtree": {
               "Strings": [
                  ~
               ],
               "Srcclassspecification": "src",
               "Specificationtree_Specification": {
                  "Instantiation": {
                     "Strings": [
                        "i"
                     ],
                     "Assigns": [
                        ~
                     ]
                  }
                  ~
               }
               ,
               "Specificationtrees": [
                  {
                     "Strings": [
                        ~
                     ],
                     "Srcclassspecification": "sub",
                     "Specificationtree_Specification": {
                        "Isextern": [
                           ~
                        ]
                     }
                     ,
                     "Specificationtrees": [
                        ~
                     ]
                  }
               ]
            },
            "DirectLinks": [
               ~
            ],
            "Couples1": {
               "Couples": {
                  "Coupletree": {
                     "Assigns": [
                        ~
                     ],
                     "SubCoupleTrees": [
                        {
                           "Assigns": [
                              {
                                 "Ident": {
                                    "U": [
                                       1
                                    ]
                                 },
                                 "Expr": {
                                    "Integer": 2
                                 }
                              }
                           ],
                           "SubCoupleTrees": [
                              ~
                           ]
                        }
                     ]
                  },
                  "Assigns": [
                     ~
                  ]
               }
               ~
            }
            ,
            "Couples2": {
               "Couples": {
                  "Coupletree": {
                     "Assigns": [
                        ~
                     ],
                     "SubCoupleTrees": [
                        ~
                     ]
                  },
                  "Assigns": [
                     ~
                  ]
               }
               ~
            }
            ,
            "Basicblocks": [
               {
                  "Assigns": [
                     ~
                  ],
                  "Linkcode": {
                     "Assigns1": [
                        ~
                     ],
                     "Assigns2": [
                        ~
                     ]
                  },
                  "Linkcodes": [
                     {
                        "Assigns1": [
                           ~
                        ],
                        "Assigns2": [
                           ~
                        ]
                     }
                  ],
                  "Nolinkcode": {
                     "Assigns1": [
                        ~
                     ],
                     "Assigns2": [
                        ~
                     ]
                  }
                  ,
                  "Basicblock_Linearrepresentation": {
                     "Null": null
                  }
                  ~
               }
            ]
         }
         ~
      }
      ~
   }
   ~
})";

// A < 1 > FUNCTION F < 1 > < IDENT X < 1 > REAL 2.5 >
Node* AssignFragment() {
  Node* a = Ident(R_rule_113, R_rule_036, {1});
  Node* f = Ident(R_rule_115, R_rule_038, {1});
  Node* x = Ident(R_rule_111, R_rule_034, {1});
  Node* args = List(R_rule_105, {MkExpr(&At, Mkrule_101(&At, x)), MkExpr(&At, Mkrule_102(&At, R("2.5")))});
  return Mkrule_026(&At, a, Mkrule_100(&At, Mkrule_028(&At, f, args)));
}

const char* kAssignFragment = R"(
{
   "Ident": {
      "A": [
         1
      ]
   },
   "Expr": {
      "Function": {
         "Ident": {
            "F": [
               1
            ]
         },
         "Expressions": [
            {
               "Ident": {
                  "X": [
                     1
                  ]
               }
            },
            {
               "Real": 2.5
            }
         ]
      }
      ~
   }
})";

// < 1 1 > < 1 1 INTEGER 3 >
Node* MatrixFragment() {
  Node* entry = Mkrule_1(&At, 1, 1, Mkrule_103(&At, 3));
  return Mkrule_2(&At, Ints({1, 1}), List(R_rule_7, {entry}));
}

const char* kMatrixFragment = R"(
"Matrix": {
   "Index": [
      1,
      1
   ],
   "Index": [
      {
         "Integer1": 1,
         "Integer2": 1,
         "Expr": {
            "Integer": 3
         }
      }
   ]
}
)";

// One element in every list of a Variables node; the variables carry Nil
// start values and debug information, whose strings are written nowhere.
Node* VariablesFragment() {
  Node* times = List(R_rule_060, {Mkrule_009(&At, Q("t"))});
  Node* steps = List(R_rule_9, {Mkrule_124(&At, Q("h"))});
  Node* param = Mkrule_010(&At, Q("p"), Q("kg"), Reals({"1.50"}), Reals({}), Mkrule_077(&At, Nil()),
                           Mkrule_079(&At, Nil()));
  Node* input = Mkrule_011(&At, Q("u"), Q("V"), Reals({}), Reals({}), R("0.5"), Mkrule_081(&At, Nil()));
  Node* output = Mkrule_012(&At, Q("y"), Q("A"), Reals({}), Reals({}), Mkrule_083(&At, Nil()));
  Node* funcs = List(R_rule_068, {Mkrule_013(&At, Q("f")), Mkrule_013(&At, Q("g"))});
  Node* state = Mkrule_014(&At, Q("x"), Q("m"), Reals({}), Reals({".5"}), R("3."), Mkrule_085(&At, Nil()));
  Node* aux = Mkrule_015(&At, Q("a"), Mkrule_086(&At, R("1e3")), Mkrule_089(&At, Nil()));
  return Mkrule_055(&At, Mkrule_008(&At, times, steps, List(R_rule_062, {param}), List(R_rule_064, {input}),
                                    List(R_rule_066, {output}), funcs, List(R_rule_070, {state}),
                                    List(R_rule_072, {aux})));
}

const char* kVariablesFragment = R"(
"Specificationtree_Specification": {
   "Variables": {
      "Times": [
         {
            "Name": "t"
         }
      ],
      "Stepsizes": [
         {
            "Name": "h"
         }
      ],
      "Parameters": [
         {
            "Name": "p",
            "Unit": "kg",
            "Reals1": [
               1.50
            ],
            "Reals2": [
               ~
            ],
            "Param_Startvalue": {
               "Null": null
            }
            ,
            "Param_Debuginfo": {
               "Null": null
            }
            ~
         }
      ],
      "Inputs": [
         {
            "Name": "u",
            "Unit": "V",
            "Reals1": [
               ~
            ],
            "Reals2": [
               ~
            ],
            "Real": 0.5,
            "Input_Debuginfo": {
               "Null": null
            }
            ~
         }
      ],
      "Outputs": [
         {
            "Name": "y",
            "Unit": "A",
            "Reals1": [
               ~
            ],
            "Reals2": [
               ~
            ],
            "Output_Debuginfo": {
               "Null": null
            }
            ~
         }
      ],
      "Functions": [
         "f",
         "g"
      ],
      "States": [
         {
            "Name": "x",
            "Unit": "m",
            "Reals1": [
               ~
            ],
            "Reals2": [
               .5
            ],
            "Real": 3.,
            "State_Debuginfo": {
               "Null": null
            }
            ~
         }
      ],
      "Auxiliars": [
         {
            "Name": "a",
            "Aux_Startvalue": {
               "Real": 1e3
            }
            ,
            "Aux_Debuginfo": {
               "Null": null
            }
            ~
         }
      ]
   }
   ~
}
)";

// A parameter with a start value and full debug information: a Coordinate
// written "c" 10 20 30 40 (its middle integers come out exchanged), an
// escaped quote kept as written, an H index as identifier.
Node* ParamFragment() {
  Node* coords = List(R_rule_090, {Mkrule_017(&At, Q("c"), 10, 20, 30, 40)});
  Node* refs = Mkrule_016(&At, coords, MkExpr(&At, Mkrule_104(&At, Q("e\\\"q"))), -1,
                          List(R_rule_092, {Ident(R_rule_129, R_rule_125, {3})}), Q("r"));
  return Mkrule_010(&At, Q("p"), Q(""), Reals({}), Reals({"1", "2.5e-3"}), Mkrule_076(&At, R("0.25")),
                    Mkrule_078(&At, refs));
}

const char* kParamFragment = R"(
{
   "Name": "p",
   "Unit": "",
   "Reals1": [
      ~
   ],
   "Reals2": [
      1,
      2.5e-3
   ],
   "Param_Startvalue": {
      "Real": 0.25
   }
   ,
   "Param_Debuginfo": {
      "References": {
         "Coordinates": [
            {
               "String": "c",
               "Integer1": 20,
               "Integer2": 10,
               "Integer3": 30,
               "Integer4": 40
            }
         ],
         "Expr": {
            "String": "e\"q"
         },
         "Integer": -1,
         "Identifier": [
            {
               "H": [
                  3
               ]
            }
         ],
         "String": "r"
      }
      ~
   }
   ~
})";

Node* Matrix(int index) { return Mkrule_2(&At, Ints({index}), List<Node*>(R_rule_7, {})); }

// The four matrices keep their order: A to D carry the indexes 1 to 4.
Node* LinearFragment() {
  return Mkrule_5(&At, Mkrule_3(&At, Assigns(), Assigns(), Matrix(1), Matrix(2), Matrix(3), Matrix(4)));
}

const char* kLinearFragment = R"(
"Basicblock_Linearrepresentation": {
   "Linearcode": {
      "StateDerivedAuxAssigns": [
         ~
      ],
      "InputDerivedAuxAssigns": [
         ~
      ],
      "MatrixA": {
         "Matrix": {
            "Index": [
               1
            ],
            "Index": [
               ~
            ]
         }
         ~
      }
      ,
      "MatrixB": {
         "Matrix": {
            "Index": [
               2
            ],
            "Index": [
               ~
            ]
         }
         ~
      }
      ,
      "MatrixC": {
         "Matrix": {
            "Index": [
               3
            ],
            "Index": [
               ~
            ]
         }
         ~
      }
      ,
      "MatrixD": {
         "Matrix": {
            "Index": [
               4
            ],
            "Index": [
               ~
            ]
         }
         ~
      }
      ~
   }
   ~
}
)";

// An E identifier with its index, strings and variable.
Node* EFragment() {
  return Mkrule_029(&At, Mkrule_116(&At, Mkrule_039(&At, Ints({1, 2}), Strings({"s"}), Mkrule_120(&At, 4))));
}

const char* kEFragment = R"(
{
   "E": {
      "Index": [
         1,
         2
      ],
      "Strings": [
         "s"
      ],
      "E_Variable": {
         "Integer": 4
      }
      ~
   }
   ~
})";

// A References node small enough to appear in a table.
Node* SmallReferences() {
  return Mkrule_016(&At, Mkrule_091(&At), MkExpr(&At, Mkrule_103(&At, 5)), 42, Mkrule_093(&At), Q("s"));
}

const char* kSmallReferences = R"(
   "References": {
      "Coordinates": [
         ~
      ],
      "Expr": {
         "Integer": 5
      },
      "Integer": 42,
      "Identifier": [
         ~
      ],
      "String": "s"
   }
   ~)";

std::vector<Case> Cases() {
  std::vector<Case> cases = {
      {"SystemtypeDocument", SystemtypeDocument, Doc(kSystemtypeDocument)},
      {"AssignFragment", AssignFragment, Doc(kAssignFragment)},
      {"MatrixFragment", MatrixFragment, Doc(kMatrixFragment)},
      {"VariablesFragment", VariablesFragment, Doc(kVariablesFragment)},
      {"ParamFragment", ParamFragment, Doc(kParamFragment)},
      {"LinearFragment", LinearFragment, Doc(kLinearFragment)},
      {"EFragment", EFragment, Doc(kEFragment)},
      {"PartiallinearClass", [] { return Mkrule_047(&At, Mkrule_004(&At, Strings({"a", "b"}))); },
       "\"System_Class\": {\n   \"Partiallinear\": [\n      \"a\",\n      \"b\"\n   ]\n}\n"},
      {"FunctionAlone", [] { return Mkrule_013(&At, Q("fn")); }, "\"fn\""},
      {"AuxIntegerStartValue", [] { return Mkrule_087(&At, 7); },
       "\"Aux_Startvalue\": {\n   \"Integer\": 7\n}\n"},
      {"NegativeZeroIsZero", [] { return Mkrule_103(&At, -0); }, "\"Integer\": 0"},
      {"StringExpression", [] { return MkExpr(&At, Mkrule_104(&At, Q("a\\\\b"))); },
       "{\n   \"String\": \"a\\\\b\"\n}"},
  };

  // The identifiers named by one letter, and the kind-named debug
  // information and E variables.
  struct Letter {
    const char* key;
    int kindRule, indexRule;
  };
  for (Letter l : {Letter{"T", R_rule_107, R_rule_030}, Letter{"H", R_rule_129, R_rule_125},
                   Letter{"P", R_rule_108, R_rule_031}, Letter{"U", R_rule_109, R_rule_032},
                   Letter{"Y", R_rule_110, R_rule_033}, Letter{"X", R_rule_111, R_rule_034},
                   Letter{"Dx", R_rule_112, R_rule_035}, Letter{"A", R_rule_113, R_rule_036},
                   Letter{"A0", R_rule_114, R_rule_037}, Letter{"F", R_rule_115, R_rule_038}}) {
    cases.push_back({std::string("Ident") + l.key, [l] { return Ident(l.kindRule, l.indexRule, {4, 5}); },
                     std::string("{\n   \"") + l.key + "\": [\n      4,\n      5\n   ]\n}"});
  }
  struct Debug {
    const char* key;
    int withReferences, withNil;
  };
  for (Debug d : {Debug{"Param_Debuginfo", R_rule_078, R_rule_079}, Debug{"Input_Debuginfo", R_rule_080, R_rule_081},
                  Debug{"Output_Debuginfo", R_rule_082, R_rule_083}, Debug{"State_Debuginfo", R_rule_084, R_rule_085},
                  Debug{"Aux_Debuginfo", R_rule_088, R_rule_089}}) {
    std::string open = std::string("\"") + d.key + "\": {\n";
    cases.push_back({std::string(d.key) + "References", [d] { return Over(d.withReferences, SmallReferences()); },
                     open + Doc(kSmallReferences) + "\n}\n"});
    cases.push_back({std::string(d.key) + "Nil", [d] { return Over(d.withNil, Nil()); },
                     open + "   \"Null\": null\n}\n"});
  }
  std::string variable = "\"E_Variable\": {\n   ";
  cases.push_back({"EVariableString", [] { return Mkrule_119(&At, Q("v")); }, variable + "\"String\": \"v\"\n}\n"});
  cases.push_back({"EVariableInteger", [] { return Mkrule_120(&At, -3); }, variable + "\"Integer\": -3\n}\n"});
  struct All {
    const char* key;
    int variableRule, allRule;
  };
  for (All a : {All{"Allp", R_rule_121, R_rule_040}, All{"Allu", R_rule_122, R_rule_041},
                All{"Ally", R_rule_123, R_rule_042}}) {
    cases.push_back({std::string("EVariable") + a.key,
                     [a] { return Over(a.variableRule, Over(a.allRule, Strings({"q"}))); },
                     variable + "\"" + a.key + "\": [\n      \"q\"\n   ]\n}\n"});
  }
  return cases;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Mapping : public ::testing::TestWithParam<Case> {};

TEST_P(Mapping, PrintsExactly) {
  const Case& c = GetParam();
  Outcome o = RunInChild([&] {
    TreeInit();
    PrintNode(c.build());
  });
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, Mapping, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });


TEST(MappingCoverage, TheCasesExerciseEveryRule) {
  TreeInit();
  std::set<int> rules;
  CollectRules(WorkedExample(), rules);
  for (const Case& c : Cases()) CollectRules(c.build(), rules);
  for (int r = 0; r < kRuleCount; ++r) EXPECT_TRUE(rules.count(r)) << kRules[size_t(r)].name;
}

// The line before the last "}" of an Expr over a Function holds nothing
// but the indentation of the Function's object member.
TEST(MappingLayout, AnObjectMemberLastInAnObjectLeavesALineOfSpaces) {
  EXPECT_EQ(Doc(kAssignFragment).substr(Doc(kAssignFragment).rfind("\n      \n")), "\n      \n   }\n}");
}

TEST(MappingWriteErrors, AFullDeviceEndsTheRun) {
  Outcome o = RunInChild([] {
    int fd = open("/dev/full", O_WRONLY);
    dup2(fd, 1);
    close(fd);
    TreeInit();
    PrintNode(WorkedExample());
  });
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "\".\", line 0:0 DEADLY: cannot write the output: No space left on device\n");
}

// ---- Large inputs on a small stack ----

// Runs body in a thread with a 1 MB stack, in a child process.
Outcome OnSmallStack(void (*body)()) {
  return RunInChild([body] {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1 << 20);
    pthread_t thread;
    auto run = [](void* f) -> void* {
      reinterpret_cast<void (*)()>(f)();
      return nullptr;
    };
    if (pthread_create(&thread, &attr, run, reinterpret_cast<void*>(body)) != 0) _exit(3);
    pthread_join(thread, nullptr);
  });
}

constexpr int kManyStrings = 1000000;
constexpr int kDeepTrees = 3000;

TEST(MappingLargeInput, AMillionStringsPrintOnASmallStack) {
  Outcome o = OnSmallStack([] {
    TreeInit();
    Node* list = Mkrule_054(&At);
    for (int i = 0; i < kManyStrings; ++i) list = Mkrule_053(&At, list, Q(std::to_string(i)));
    PrintNode(Mkrule_019(&At, list));
  });
  std::string expected = "\"Isextern\": [";
  for (int i = 0; i < kManyStrings; ++i) expected += (i ? ",\n   \"" : "\n   \"") + std::to_string(i) + "\"";
  expected += "\n]";
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out.size(), expected.size());
  EXPECT_TRUE(o.out == expected);
}

TEST(MappingLargeInput, DeeplyNestedCoupletreesPrintOnASmallStack) {
  Outcome o = OnSmallStack([] {
    TreeInit();
    Node* tree = Mkrule_022(&At, Assigns(), Mkrule_097(&At));
    for (int i = 1; i < kDeepTrees; ++i) tree = Mkrule_022(&At, Assigns(), List(R_rule_096, {tree}));
    PrintNode(tree);
  });
  // Each tree is an object at level 6i whose last member holds the next one.
  std::string expected;
  for (int i = 0; i < kDeepTrees; ++i) {
    std::string at(size_t(6 * i), ' '), in = at + "   ";
    expected += (i ? "\n" + at : "") + "{\n" + in + "\"Assigns\": [\n" + in + "   \n" + in + "],\n" + in +
                "\"SubCoupleTrees\": [";
  }
  expected.append("\n").append(size_t(6 * kDeepTrees), ' ');
  for (int i = kDeepTrees - 1; i >= 0; --i)
    expected.append("\n").append(size_t(6 * i + 3), ' ').append("]\n").append(size_t(6 * i), ' ').append("}");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out.size(), expected.size());
  EXPECT_TRUE(o.out == expected);
}

}  // namespace
